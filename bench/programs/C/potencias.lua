local M = 10007

local function multmod(a, b)
  return a * b % M
end

local function power(base, exponent)
  local result = 1
  local square = base % M
  while exponent > 0 do
    if exponent % 2 == 1 then result = multmod(result, square) end
    square = multmod(square, square)
    exponent = exponent // 2
  end
  return result
end

local function factorial(k)
  if k <= 1 then return 1 end
  return multmod(factorial(k - 1), k)
end

local n = tonumber(arg[1])
local total = 0
for i = 1, n do
  total = total + power(i + 1, i * 31 + 7)
  total = total + factorial(i % 16)
  total = total % 1000003
end
print(total)
