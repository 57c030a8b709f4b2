-- Calendário: sextas-feiras 13 de 1901 em diante, em N anos.
local n = tonumber(arg[1])
local diasemana = 0 -- 13/01/1901 foi um domingo
local bissextos, totaldias = 0, 0
local contagem = {[0] = 0, 0, 0, 0, 0, 0, 0}
local ultimasexta = "nenhuma"
for ano = 1901, 1900 + n do
  local bissexto
  if ano % 400 == 0 then
    bissexto = 1
  elseif ano % 100 == 0 then
    bissexto = 0
  elseif ano % 4 == 0 then
    bissexto = 1
  else
    bissexto = 0
  end
  bissextos = bissextos + bissexto
  for mes = 1, 12 do
    local dias
    if mes == 2 then
      dias = 28 + bissexto
    elseif mes == 4 or mes == 6 or mes == 9 or mes == 11 then
      dias = 30
    else
      dias = 31
    end
    contagem[diasemana] = contagem[diasemana] + 1
    if diasemana == 5 then
      ultimasexta = mes .. "/" .. ano
    end
    totaldias = totaldias + dias
    diasemana = (diasemana + dias) % 7
  end
end
print(string.format("dias=%d bissextos=%d 13: dom=%d seg=%d ter=%d qua=%d qui=%d sex=%d sab=%d ultima=%s",
  totaldias, bissextos, contagem[0], contagem[1], contagem[2], contagem[3], contagem[4],
  contagem[5], contagem[6], ultimasexta))
