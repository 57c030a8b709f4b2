# Números de 1 até N (até 999999) por extenso; soma o tamanho dos textos.
import sys

UNIDADES = "um dois três quatro cinco seis sete oito nove".split()
DEZAS = "dez onze doze treze quatorze quinze dezesseis dezessete dezoito dezenove".split()
DEZENAS = "dez vinte trinta quarenta cinquenta sessenta setenta oitenta noventa".split()
CENTENAS = "cento duzentos trezentos quatrocentos quinhentos seiscentos setecentos oitocentos novecentos".split()


def centena(v):
    """v de 1 a 999 por extenso."""
    if v == 100:
        return "cem"
    c, d, u = v // 100, v // 10 % 10, v % 10
    t = ""
    if c > 0:
        t = CENTENAS[c - 1]
        if d + u > 0:
            t += " e "
    if d == 1:
        return t + DEZAS[u]
    if d > 1:
        t += DEZENAS[d - 1]
        if u > 0:
            t += " e "
    if u > 0:
        t += UNIDADES[u - 1]
    return t


n = int(sys.argv[1])
total = com_e = 0
texto = "zero"
for numero in range(1, n + 1):
    milhar, resto = divmod(numero, 1000)
    texto = ""
    if milhar > 0:
        texto = "mil" if milhar == 1 else centena(milhar) + " mil"
        if resto > 0:
            # "mil e cem", "mil e vinte", mas "mil cento e um"
            texto += " e " if resto < 100 or resto % 100 == 0 else " "
    if resto > 0:
        texto += centena(resto)
    total += len(texto)
    if " e " in texto:
        com_e += 1
print(f"letras={total} com_e={com_e} ultimo={texto}")
