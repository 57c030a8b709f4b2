-- Frequency of each digit in the numbers of a fixed sequence.
local n = tonumber(arg[1])
local seed = 2024
local tbl = {}
for k = 0, 9 do tbl[k] = 0 end
local i = 0
while i < n do
  seed = (seed * 75 + 74) % 65537
  local x = seed
  for _ = 1, 5 do
    local q = x // 10
    tbl[x - q * 10] = tbl[x - q * 10] + 1
    x = q
    if x == 0 then break end
  end
  i = i + 1
end
local most, best, out = 0, -1, ""
for k = 0, 9 do
  if tbl[k] - best > 0 then
    best = tbl[k]
    most = k
  end
  out = out .. tbl[k] .. ","
end
print(out .. most)
