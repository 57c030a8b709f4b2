-- Números perfeitos, abundantes e deficientes de 1 até N.
local n = tonumber(arg[1])
local perfeitos, abundantes, deficientes, somatotal = 0, 0, 0, 0
local lista = ""
for k = 1, n do
  local soma = 0
  local d = 1
  while d * d <= k do
    if k % d == 0 then
      soma = soma + d
      local outro = k // d
      if outro ~= d and outro ~= k then
        soma = soma + outro
      end
    end
    d = d + 1
  end
  if k == 1 then soma = 0 end
  if soma == k then
    perfeitos = perfeitos + 1
    lista = lista .. " " .. k
  elseif soma > k then
    abundantes = abundantes + 1
  else
    deficientes = deficientes + 1
  end
  somatotal = somatotal + soma
end
print(string.format("perfeitos=%d abundantes=%d deficientes=%d soma=%d lista=%s",
  perfeitos, abundantes, deficientes, somatotal, lista))
