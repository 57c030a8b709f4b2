-- Writes N lines "number;(number mod 1000) squared mod 1000", copies the file and reads
-- the copy back, summing the values.
local n = tonumber(arg[1])
local errors = 0
local f = assert(io.open("quadrados.txt", "w"))
for i = 1, n do
  local q = i % 1000
  q = q * q % 1000
  if not f:write(i, ";", q, "\r\n") then errors = errors + 1 end
end
if not f:close() then errors = errors + 1 end
local src = assert(io.open("quadrados.txt", "rb"))
local dst = assert(io.open("copia.txt", "wb"))
while true do
  local block = src:read(30000)
  if not block then break end
  dst:write(block)
end
src:close()
dst:close()
local lines, total = 0, 0
for line in io.lines("copia.txt") do
  lines = lines + 1
  total = total + tonumber(line:match(";(%d+)"))
end
os.remove("quadrados.txt")
os.remove("copia.txt")
print(lines .. "/" .. total .. "/" .. errors .. "/1")
