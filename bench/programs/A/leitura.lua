-- Reads the marks file entrada.txt (lines "pupilI mark"): counts the lines,
-- sums the marks and checks that the file has N lines.
local n = tonumber(arg[1])
local lines, total = 0, 0
for line in io.lines("entrada.txt") do
  lines = lines + 1
  local mark = line:match("^%S+%s+(%d+)")
  total = total + tonumber(mark)
end
print(lines .. "/" .. total .. "/" .. (lines == n and "sim" or "nao"))
