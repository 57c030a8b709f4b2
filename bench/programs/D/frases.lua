-- Frases sorteadas: sigla, grupos de vogais e frequência das palavras.
local n = tonumber(arg[1])
local vocabulario = {}
for p in ("o gato preto pulou sobre a cerca velha enquanto menino curioso olhava pela janela aberta ontem"):gmatch("%S+") do
  vocabulario[#vocabulario + 1] = p
end
local semente = 4242
local function sorteia()
  semente = (semente * 75 + 74) % 65537
  return semente
end
local grupos, letras, comog = 0, 0, 0
local sigla = ""
local freq = {}
for _, p in ipairs(vocabulario) do freq[p] = 0 end
for _ = 1, n do
  local tam = sorteia() % 6 + 5
  local palavras = {}
  for w = 1, tam do
    palavras[w] = vocabulario[sorteia() % 16 + 1]
  end
  local frase = table.concat(palavras, " ")
  sigla = ""
  for pal in frase:gmatch("%S+") do
    sigla = sigla .. pal:sub(1, 1):upper()
    freq[pal] = freq[pal] + 1
    letras = letras + #pal
    local anterior = false
    for i = 1, #pal do
      local vogal = ("aeiou"):find(pal:sub(i, i), 1, true) ~= nil
      if vogal and not anterior then grupos = grupos + 1 end
      anterior = vogal
    end
  end
  if sigla:find("OG", 1, true) then comog = comog + 1 end
end
local mais, maior = "", -1
for _, p in ipairs(vocabulario) do
  if freq[p] > maior then mais, maior = p, freq[p] end
end
print(string.format("grupos=%d letras=%d com_OG=%d gato=%d janela=%d mais=%s:%d sigla=%s",
  grupos, letras, comog, freq.gato, freq.janela, mais, maior, sigla))
