-- Boletim: grava as notas de N alunos em CSV, lê de volta e tira as médias.
local n = tonumber(arg[1])
local semente = 4242
local f = assert(io.open("notas.csv", "w"))
for i = 1, n do
  local linha = "aluno" .. i
  for _ = 1, 3 do
    semente = (semente * 75 + 74) % 65537
    linha = linha .. ";" .. (semente % 101)
  end
  f:write(linha, "\r\n")
end
f:close()

local aprovados, recuperacao, reprovados, somamedias, lidas = 0, 0, 0, 0, 0
local melhor, melhormedia = "", -1
for linha in io.lines("notas.csv") do
  lidas = lidas + 1
  local nome, n1, n2, n3 = linha:match("^([^;]*);(%d+);(%d+);(%d+)")
  local media = (tonumber(n1) + tonumber(n2) + tonumber(n3)) // 3
  somamedias = somamedias + media
  if media >= 70 then
    aprovados = aprovados + 1
  elseif media >= 50 then
    recuperacao = recuperacao + 1
  else
    reprovados = reprovados + 1
  end
  if media > melhormedia then melhormedia, melhor = media, nome end
end
local geral = 0
if lidas > 0 then geral = somamedias // lidas end
print(string.format("lidas=%d aprovados=%d recuperacao=%d reprovados=%d media=%d melhor=%s:%d",
  lidas, aprovados, recuperacao, reprovados, geral, melhor, melhormedia))
