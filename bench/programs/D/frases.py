# Frases sorteadas: sigla, grupos de vogais e frequência das palavras.
import sys

n = int(sys.argv[1])
vocabulario = ("o gato preto pulou sobre a cerca velha enquanto menino curioso "
               "olhava pela janela aberta ontem").split()
semente = 4242


def sorteia():
    global semente
    semente = (semente * 75 + 74) % 65537
    return semente


grupos = letras = com_og = 0
sigla = ""
freq = {p: 0 for p in vocabulario}
for _ in range(n):
    tam = sorteia() % 6 + 5
    frase = " ".join(vocabulario[sorteia() % 16] for _ in range(tam))
    sigla = ""
    for pal in frase.split():
        sigla += pal[0].upper()
        freq[pal] += 1
        letras += len(pal)
        anterior = False
        for c in pal:
            vogal = c in "aeiou"
            if vogal and not anterior:
                grupos += 1
            anterior = vogal
    if "OG" in sigla:
        com_og += 1
mais, maior = "", -1
for pal in vocabulario:
    if freq[pal] > maior:
        mais, maior = pal, freq[pal]
print(f"grupos={grupos} letras={letras} com_OG={com_og} gato={freq['gato']} janela={freq['janela']} "
      f"mais={mais}:{maior} sigla={sigla}")
