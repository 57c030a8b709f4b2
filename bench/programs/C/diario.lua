local n = tonumber(arg[1])
local seed = 2024
local log = assert(io.open("diario.txt", "wb"))
for i = 1, n do
  seed = (seed * 171 + 11) % 30269
  -- one move every 7 seconds, from 7 o'clock
  local s = (i * 7 + 25200) % 86400
  local clock = string.format("%02d:%02d:%02d", s // 3600, s // 60 % 60, s % 60)
  local pupil = seed % 40 + 1
  local level = i % 9 + 1
  local luck = seed // 7 % 5
  local kind, points
  if luck == 0 then
    kind, points = "ERRO", 0
  elseif luck == 1 then
    kind, points = "DICA", 1
  else
    kind, points = "ACERTO", level * luck
  end
  log:write(clock, " aluno", pupil, " ", kind, " fase ", level, " pontos ", points, "\r\n")
end
log:close()

local read, errors, lunch, points_total = 0, 0, 0, 0
for line in io.lines("diario.txt") do
  line = line:gsub("\r$", "")
  read = read + 1
  if line:find(" ERRO ", 1, true) then errors = errors + 1 end
  if line:sub(1, 3) == "12:" then lunch = lunch + 1 end
  local kind, points = line:match("^%S+ %S+ (%S+) %S+ %S+ %S+ (%S+)")
  if kind == "ACERTO" then points_total = points_total + tonumber(points) end
end
print(read .. " " .. errors .. " " .. lunch .. " " .. points_total)
