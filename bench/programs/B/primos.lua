-- Counts the primes up to N by trial division and keeps the largest.
local n = tonumber(arg[1])
local count, largest = 0, 0
for x = 2, n do
  local prime = true
  local d = 2
  while d * d <= x do
    if x % d == 0 then
      prime = false
      break
    end
    d = d + 1
  end
  if prime then
    count = count + 1
    largest = x
  end
end
print(count .. "/" .. largest)
