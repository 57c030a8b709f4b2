-- Draws words from a list (fixed sequence), counts their letters and their "a"s,
-- reverses each word and counts the palindromes.
local n = tonumber(arg[1])
local words = {}
for w in ("  casa arara  sol ovo mesa radar  livro reviver escola osso  "):gmatch("%S+") do
  words[#words + 1] = w
end
local count = #words
local seed = 777
local letters, palin, a_count = 0, 0, 0
local phrase = ""
for i = 1, n do
  seed = (seed * 75 + 74) % 65537
  local w = words[seed % count + 1]
  letters = letters + #w
  local rev = ""
  local j = #w
  while j > 0 do
    rev = rev .. w:sub(j, j)
    j = j - 1
  end
  if rev == w then palin = palin + 1 end
  local without = w:gsub("a", "")
  a_count = a_count + #w - #without
  if i > n - 5 then phrase = phrase .. rev:upper() .. "-" end
end
print(count .. "/" .. letters .. "/" .. palin .. "/" .. a_count .. "/" .. phrase)
