local n = tonumber(arg[1])
local size = 30
local seed = 4321
local check = 0
local out_of_order = 0
for _ = 1, n do
  local v = {}
  for i = 1, size do
    seed = (seed * 171 + 11) % 30269
    v[i] = seed // 30
  end
  for i = 2, size do
    local key = v[i]
    local j = i - 1
    while j >= 1 and v[j] > key do
      v[j + 1] = v[j]
      j = j - 1
    end
    v[j + 1] = key
  end
  local previous = 0
  for i = 1, size do
    local x = v[i]
    if x < previous then out_of_order = out_of_order + 1 end
    previous = x
    check = check + i * x
  end
  check = check % 1000000
end
print(check .. " " .. out_of_order)
