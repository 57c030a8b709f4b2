-- A small calculating machine: the operation of each step is chosen by I mod 4.
local acc, reductions = 1, 0

local function reduce()
  reductions = reductions + 1
  acc = acc % 100003
end

local ops = {
  OP0 = function(i) acc = acc + i; reduce() end,
  OP1 = function(_) acc = acc * 3; reduce() end,
  OP2 = function(i) acc = acc + 100003 - i % 1000; reduce() end,
  OP3 = function(_) acc = acc // 2 + 7 end,
}

local n = tonumber(arg[1])
for i = 1, n do
  ops["OP" .. (i % 4)](i)
end
print(acc .. "/" .. reductions)
