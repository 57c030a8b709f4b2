local n = tonumber(arg[1])
math.randomseed(os.time())
local good, bad, numbers = 0, 0, 0
for _ = 1, n do
  local drawn = {}
  local drawn_sum = 0
  while #drawn < 6 do
    local d = math.random(60)
    local seen = false
    for k = 1, #drawn do
      if drawn[k] == d then seen = true break end
    end
    if not seen then
      drawn[#drawn + 1] = d
      drawn_sum = drawn_sum + d
    end
  end
  local swapped = true
  while swapped do
    swapped = false
    for j = 1, 5 do
      if drawn[j] > drawn[j + 1] then
        drawn[j], drawn[j + 1] = drawn[j + 1], drawn[j]
        swapped = true
      end
    end
  end
  local ok = true
  local previous, total = 0, 0
  for j = 1, 6 do
    local d = drawn[j]
    if d <= previous or d > 60 then ok = false end
    total = total + d
    previous = d
  end
  if total ~= drawn_sum then ok = false end
  if ok then good = good + 1 else bad = bad + 1 end
  numbers = numbers + 6
end
print(good .. " " .. bad .. " " .. numbers)
