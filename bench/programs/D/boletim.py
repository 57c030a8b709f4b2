# Boletim: grava as notas de N alunos em CSV, lê de volta e tira as médias.
import sys

n = int(sys.argv[1])
semente = 4242
with open("notas.csv", "w", newline="\r\n") as f:
    for i in range(1, n + 1):
        linha = f"aluno{i}"
        for _ in range(3):
            semente = (semente * 75 + 74) % 65537
            linha += f";{semente % 101}"
        f.write(linha + "\n")

aprovados = recuperacao = reprovados = soma_medias = lidas = 0
melhor, melhor_media = "", -1
with open("notas.csv") as f:
    for linha in f:
        lidas += 1
        nome, n1, n2, n3 = linha.strip().split(";")
        media = (int(n1) + int(n2) + int(n3)) // 3
        soma_medias += media
        if media >= 70:
            aprovados += 1
        elif media >= 50:
            recuperacao += 1
        else:
            reprovados += 1
        if media > melhor_media:
            melhor_media, melhor = media, nome
geral = soma_medias // lidas if lidas > 0 else 0
print(f"lidas={lidas} aprovados={aprovados} recuperacao={recuperacao} reprovados={reprovados} "
      f"media={geral} melhor={melhor}:{melhor_media}")
