-- FizzBuzz from 1 to N: counts Fizz, Buzz and FizzBuzz and sums the other numbers (mod 10007).
local n = tonumber(arg[1])
local f, b, fb, s = 0, 0, 0, 0
local last = ""
local i = 1
while i <= n do
  if i % 15 == 0 then
    fb = fb + 1
    last = "FizzBuzz"
  elseif i % 3 == 0 then
    f = f + 1
    last = "Fizz"
  elseif i % 5 == 0 then
    b = b + 1
    last = "Buzz"
  else
    s = (s + i) % 10007
    last = tostring(i)
  end
  i = i + 1
end
print(f .. "/" .. b .. "/" .. fb .. "/" .. s .. "/" .. last)
