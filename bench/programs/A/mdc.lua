-- GCD and LCM table: for each I from 1 to N, the pair (I, 7*I mod 1000 + 1).
local function gcd(a, b)
  while b > 0 do
    a, b = b, a % b
  end
  return a
end

local function lcm(p, q)
  local g = gcd(p, q)
  return p // g * q, g
end

local n = tonumber(arg[1])
local total, coprime, rests = 0, 0, 0
for i = 1, n do
  local q = i * 7 % 1000 + 1
  local m, g = lcm(i, q)
  total = total + g
  if g == 1 then coprime = coprime + 1 end
  rests = rests + m % 1000
end
print(total .. "/" .. coprime .. "/" .. rests)
