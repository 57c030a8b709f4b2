-- Passeio aleatório no plano com N passos; guarda só o que não depende da sorte.
local n = tonumber(arg[1])
math.randomseed(os.time())
local x, y = 0, 0
local norte, sul, leste, oeste, fora, naorigem, longe = 0, 0, 0, 0, 0, 0, 0
local dist = 0
local passo = 0
while passo < n do
  local dir = math.random(0, 3)
  if dir == 0 then
    y = y + 1; norte = norte + 1
  elseif dir == 1 then
    y = y - 1; sul = sul + 1
  elseif dir == 2 then
    x = x + 1; leste = leste + 1
  elseif dir == 3 then
    x = x - 1; oeste = oeste + 1
  else
    fora = fora + 1
  end
  dist = math.abs(x) + math.abs(y)
  if dist > longe then longe = dist end
  if dist == 0 then naorigem = naorigem + 1 end
  passo = passo + 1
end
local direcoes = norte + sul + leste + oeste
local paridade = (dist + n) % 2
local coerente = longe <= n and "sim" or "nao"
print(string.format("passos=%d fora=%d direcoes=%d paridade=%d coerente=%s",
  passo, fora, direcoes, paridade, coerente))
