# Passeio aleatório no plano com N passos; guarda só o que não depende da sorte.
import random
import sys

n = int(sys.argv[1])
random.seed()
x = y = 0
norte = sul = leste = oeste = fora = na_origem = longe = 0
dist = 0
passo = 0
while passo < n:
    direcao = random.randrange(4)
    if direcao == 0:
        y += 1
        norte += 1
    elif direcao == 1:
        y -= 1
        sul += 1
    elif direcao == 2:
        x += 1
        leste += 1
    elif direcao == 3:
        x -= 1
        oeste += 1
    else:
        fora += 1
    dist = abs(x) + abs(y)
    if dist > longe:
        longe = dist
    if dist == 0:
        na_origem += 1
    passo += 1
direcoes = norte + sul + leste + oeste
paridade = (dist + n) % 2
coerente = "sim" if longe <= n else "nao"
print(f"passos={passo} fora={fora} direcoes={direcoes} paridade={paridade} coerente={coerente}")
