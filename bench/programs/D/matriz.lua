-- Potências de uma matriz 5x5, módulo 997: P = M^(N+1).
local n = tonumber(arg[1])
local m, p = {}, {}
for i = 1, 5 do
  m[i], p[i] = {}, {}
  for j = 1, 5 do
    m[i][j] = (i * 7 + j * j * 3 + i * j) % 10
    p[i][j] = m[i][j]
  end
end
for _ = 1, n do
  local q = {}
  for i = 1, 5 do
    q[i] = {}
    for j = 1, 5 do
      local s = 0
      for k = 1, 5 do
        s = s + p[i][k] * m[k][j]
      end
      q[i][j] = s % 997
    end
  end
  p = q
end
local traco, total = 0, 0
for i = 1, 5 do
  traco = traco + p[i][i]
  for j = 1, 5 do total = total + p[i][j] end
end
print(string.format("traco=%d total=%d linha1=%s", traco, total, table.concat(p[1], ",")))
