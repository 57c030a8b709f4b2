# Binário de K, o binário lido ao contrário e o MDC dos dois, para K de 1 até N.
import sys

n = int(sys.argv[1])
uns = soma_mdc = iguais = 0
binario = ""


def para_binario(v):
    global uns
    pilha = []
    while v > 0:
        r = v % 2
        pilha.append(r)
        if r == 1:
            uns += 1
        v //= 2
    texto = ""
    while pilha:
        texto += str(pilha.pop())
    return texto


def invertido(texto):
    valor = 0
    for digito in reversed(texto):
        valor = valor * 2 + int(digito)
    return valor


def mdc(a, b):
    while b > 0:
        a, b = b, a % b
    return a


for k in range(1, n + 1):
    binario = para_binario(k)
    inv = invertido(binario)
    soma_mdc += mdc(k, inv)
    if inv == k:
        iguais += 1
print(f"uns={uns} mdc={soma_mdc} palindromos={iguais} ultimo={binario}")
