-- Collatz steps of every number from 1 to N, summed, and the largest value reached.
local n = tonumber(arg[1])
local steps, largest = 0, 0
for i = 1, n do
  local x = i
  while x > 1 do
    if x % 2 == 0 then
      x = x // 2
    else
      x = x * 3 + 1
      if x > largest then largest = x end
    end
    steps = steps + 1
  end
end
print(steps .. "/" .. largest)
