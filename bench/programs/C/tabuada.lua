local n = tonumber(arg[1])
local ga, gb, gc, gd = 0, 0, 0, 0
local total, almost, wrong = 0, 0, 0
for pupil = 1, n do
  local right = 0
  local level = pupil % 5
  for a = 1, 10 do
    for b = 1, 10 do
      local correct = a * b
      local t = (pupil * 7 + a * 3 + b * 5) % 13
      local answer = correct
      if t < level then
        if t == 0 then
          answer = answer + 1
        elseif t == 1 then
          answer = a + b
        elseif t == 2 then
          answer = correct - a
        elseif t == 3 then
          answer = correct + a
        end
      end
      if answer == correct then
        right = right + 1
      elseif answer == correct + 1 then
        almost = almost + 1
      else
        wrong = wrong + 1
      end
    end
  end
  if right >= 90 then ga = ga + 1
  elseif right >= 80 then gb = gb + 1
  elseif right >= 70 then gc = gc + 1
  else gd = gd + 1 end
  total = total + right
end
print(string.format("%d %d %d %d %d %d %d", ga, gb, gc, gd, total, almost, wrong))
