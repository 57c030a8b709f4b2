# Números perfeitos, abundantes e deficientes de 1 até N.
import sys

n = int(sys.argv[1])
perfeitos = abundantes = deficientes = soma_total = 0
lista = ""
for k in range(1, n + 1):
    soma = 0
    d = 1
    while d * d <= k:
        if k % d == 0:
            soma += d
            outro = k // d
            if outro != d and outro != k:
                soma += outro
        d += 1
    if k == 1:
        soma = 0
    if soma == k:
        perfeitos += 1
        lista += " " + str(k)
    elif soma > k:
        abundantes += 1
    else:
        deficientes += 1
    soma_total += soma
print(f"perfeitos={perfeitos} abundantes={abundantes} deficientes={deficientes} soma={soma_total} lista={lista}")
