-- Writes N lines of marks to a file (lines end in CR LF, as the game program's do).
local n = tonumber(arg[1])
local seed = 4242
local total, errors = 0, 0
local f = assert(io.open("notas.txt", "w"))
for i = 1, n do
  seed = (seed * 75 + 74) % 65537
  local mark = seed % 1000
  if not f:write("aluno", i, " ", mark, "\r\n") then errors = errors + 1 end
  total = total + mark
end
if not f:close() then errors = errors + 1 end
print(n .. "/" .. total .. "/" .. errors)
