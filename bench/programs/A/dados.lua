-- Rolls a die N times and reads the clock at each roll: how many rolls came out 1 to 6,
-- how often the clock went back, how many times of day (every 100 rolls) had the form
-- HH:MM:SS, and how many faces came up.
local n = tonumber(arg[1])
local good, went_back, hours = 0, 0, 0
local seen = {0, 0, 0, 0, 0, 0}
local before = os.time() * 100
for i = 1, n do
  local d = math.random(0, 5) + 1
  if d >= 1 and d <= 6 then
    good = good + 1
    seen[d] = 1
  end
  local now = os.time() * 100
  if now < before then went_back = went_back + 1 end
  before = now
  if i % 100 == 0 then
    local h = os.date("%H:%M:%S")
    if #h == 8 and h:find(":", 1, true) == 3 then hours = hours + 1 end
  end
end
local faces = 0
for d = 1, 6 do faces = faces + seen[d] end
print(good .. "/" .. went_back .. "/" .. hours .. "/" .. faces)
