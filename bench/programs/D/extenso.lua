-- Números de 1 até N (até 999999) por extenso; soma o tamanho dos textos.
-- Os textos são guardados em Latin-1 (um byte por letra) e convertidos só na saída.
local function lista(s)
  local t = {}
  for p in s:gmatch("%S+") do t[#t + 1] = p end
  return t
end
local UNIDADES = lista("um dois tr\234s quatro cinco seis sete oito nove")
local DEZAS = lista("dez onze doze treze quatorze quinze dezesseis dezessete dezoito dezenove")
local DEZENAS = lista("dez vinte trinta quarenta cinquenta sessenta setenta oitenta noventa")
local CENTENAS = lista("cento duzentos trezentos quatrocentos quinhentos seiscentos setecentos oitocentos novecentos")

local function centena(v)
  if v == 100 then return "cem" end
  local c, d, u = v // 100, v // 10 % 10, v % 10
  local t = ""
  if c > 0 then
    t = CENTENAS[c]
    if d + u > 0 then t = t .. " e " end
  end
  if d == 1 then return t .. DEZAS[u + 1] end
  if d > 1 then
    t = t .. DEZENAS[d]
    if u > 0 then t = t .. " e " end
  end
  if u > 0 then t = t .. UNIDADES[u] end
  return t
end

local n = tonumber(arg[1])
local total, come = 0, 0
local texto = "zero"
for numero = 1, n do
  local milhar, resto = numero // 1000, numero % 1000
  texto = ""
  if milhar > 0 then
    if milhar == 1 then texto = "mil" else texto = centena(milhar) .. " mil" end
    if resto > 0 then
      -- "mil e cem", "mil e vinte", mas "mil cento e um"
      if resto < 100 or resto % 100 == 0 then texto = texto .. " e " else texto = texto .. " " end
    end
  end
  if resto > 0 then texto = texto .. centena(resto) end
  total = total + #texto
  if texto:find(" e ", 1, true) then come = come + 1 end
end
local saida = string.format("letras=%d com_e=%d ultimo=%s", total, come, texto)
print((saida:gsub("[\128-\255]", function(c) return utf8.char(c:byte()) end)))
