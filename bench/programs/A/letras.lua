-- Counts the letters of a text read N times; one counter per letter of the alphabet.
local n = tonumber(arg[1])
local alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
local text = string.upper("O rato roeu a roupa do rei de Roma, e a rainha, com raiva, resolveu remendar.")
local counts = {}
for k = 1, 26 do counts[k] = 0 end
for _ = 1, n do
  for p = 1, #text do
    local c = text:sub(p, p)
    local k = alphabet:find(c, 1, true)
    if k then counts[k] = counts[k] + 1 end
  end
end
local out = ""
for k = 1, 26 do
  if counts[k] > 0 then out = out .. alphabet:sub(k, k) .. counts[k] end
end
print(out)
