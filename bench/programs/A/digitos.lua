-- Sum of the digits of every number from 1 to N.
local n = tonumber(arg[1])
local total = 0
for i = 1, n do
  local x = i
  while x > 0 do
    local q = x // 10
    total = total + x - q * 10
    x = q
  end
end
print(total)
