-- Binário de K, o binário lido ao contrário e o MDC dos dois, para K de 1 até N.
local n = tonumber(arg[1])
local uns, somamdc, iguais = 0, 0, 0
local bin = ""

local function binario(v)
  local pilha = {}
  while v > 0 do
    local r = v % 2
    pilha[#pilha + 1] = r
    if r == 1 then uns = uns + 1 end
    v = v // 2
  end
  local texto = ""
  while #pilha > 0 do
    texto = texto .. pilha[#pilha]
    pilha[#pilha] = nil
  end
  return texto
end

local function invertido(texto)
  local valor = 0
  for p = #texto, 1, -1 do
    valor = valor * 2 + tonumber(texto:sub(p, p))
  end
  return valor
end

local function mdc(a, b)
  while b > 0 do a, b = b, a % b end
  return a
end

for k = 1, n do
  bin = binario(k)
  local inv = invertido(bin)
  somamdc = somamdc + mdc(k, inv)
  if inv == k then iguais = iguais + 1 end
end
print(string.format("uns=%d mdc=%d palindromos=%d ultimo=%s", uns, somamdc, iguais, bin))
