-- Draws N cards from a 52-card pack (with replacement), marks those drawn, and reads the
-- clock and the date during the draw.
math.randomseed(os.time())
local n = tonumber(arg[1])
local good, went_back, dates = 0, 0, 0
local seen = {}
local before = os.time() * 100
for i = 1, n do
  local r = math.random(0, 51)
  if r < 52 then
    good = good + 1
    seen[r] = 1
  end
  local now = os.time() * 100
  if now < before then went_back = went_back + 1 end
  before = now
  if i % 1000 == 0 then
    local d = os.date("%d/%m/%Y")
    if d:find("/", 1, true) == 3 and #d == 10 then dates = dates + 1 end
  end
end
local count = 0
for _ in pairs(seen) do count = count + 1 end
print(good .. "/" .. went_back .. "/" .. dates .. "/" .. count)
