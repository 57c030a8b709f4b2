-- Caesar cipher: enciphers and deciphers a sentence N times, the shift changing each time.
local n = tonumber(arg[1])
local alpha = "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWXYZ"
local sentence = ("  A ligeira raposa marrom salta sobre o cao preguicoso.  "):match("^%s*(.-)%s*$"):upper()

local function shift(text, by)
  local out = ""
  for p = 1, #text do
    local c = text:sub(p, p)
    local k = alpha:find(c, 1, true)
    if k then c = alpha:sub(k + by, k + by) end
    out = out .. c
  end
  return out
end

local right, total, ciphered = 0, 0, ""
for i = 1, n do
  local d = i % 25 + 1
  ciphered = shift(sentence, d)
  if shift(ciphered, 26 - d) == sentence then right = right + 1 end
  total = total + (ciphered:find("Q", 1, true) or 0)
end
print(right .. "/" .. total .. "/" .. ciphered:gsub(" ", "_"))
