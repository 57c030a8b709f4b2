-- Marks of N pupils, from a fixed sequence, sorted into grades A to E.
local n = tonumber(arg[1])
local seed = 12345
local ca, cb, cc, cd, ce, passed = 0, 0, 0, 0, 0, 0
for _ = 1, n do
  seed = (seed * 75 + 74) % 65537
  local mark = seed % 101
  if mark >= 90 then
    ca = ca + 1
  elseif mark >= 75 then
    cb = cb + 1
  elseif mark >= 60 then
    cc = cc + 1
  elseif mark >= 40 then
    cd = cd + 1
  else
    ce = ce + 1
  end
  if mark >= 60 then passed = passed + mark end
end
print(ca .. "/" .. cb .. "/" .. cc .. "/" .. cd .. "/" .. ce .. "/" .. passed)
