-- The words are Windows-1252 bytes, as the game program holds them.
local words = {"arara", "casa", "Ana", "\xF4nibus", "radar", "escola", "Reviver", "\xE1rvore",
               "a\xE7\xE3o", "ovo", "banana", "Salas", "rotor", "Socorram", "pi\xE3o"}
local vowels = "AEIOU\xC1\xC9\xCD\xD3\xDA\xC2\xCA\xD4\xC3\xD5\xC0"

local is_vowel = {}
for k = 1, #vowels do is_vowel[vowels:sub(k, k)] = true end

-- Latin-1 upper case: a-z and the accented small letters, except the division sign.
local function upper_latin(s)
  return (s:gsub(".", function(c)
    local b = c:byte()
    if (b >= 97 and b <= 122) or (b >= 224 and b <= 254 and b ~= 247) then
      return string.char(b - 32)
    end
    return c
  end))
end

local n = tonumber(arg[1])
local palindromes, vowels_total, hangman, stars = 0, 0, 0, 0
for i = 1, n do
  local word = words[i % #words + 1]
  local upper = upper_latin(word)
  local reversed = ""
  local count = 0
  for p = #upper, 1, -1 do
    local letter = upper:sub(p, p)
    reversed = reversed .. letter
    if is_vowel[letter] then count = count + 1 end
  end
  if reversed == upper then palindromes = palindromes + 1 end
  vowels_total = vowels_total + count
  local mask = upper
  for v = 1, 5 do
    mask = mask:gsub(vowels:sub(v, v), "_")
  end
  hangman = hangman + (mask:find("_", 1, true) or 0)
  local bar = word .. ": "
  for _ = 1, count do bar = bar .. "*" end
  stars = stars + #bar
end
print(palindromes .. " " .. vowels_total .. " " .. hangman .. " " .. stars)
