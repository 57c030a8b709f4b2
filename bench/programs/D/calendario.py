# Calendário: sextas-feiras 13 de 1901 em diante, em N anos.
import sys

n = int(sys.argv[1])
dia_semana = 0  # 13/01/1901 foi um domingo
bissextos = 0
total_dias = 0
contagem = [0] * 7
ultima_sexta = "nenhuma"
for ano in range(1901, 1901 + n):
    if ano % 400 == 0:
        bissexto = 1
    elif ano % 100 == 0:
        bissexto = 0
    elif ano % 4 == 0:
        bissexto = 1
    else:
        bissexto = 0
    bissextos += bissexto
    for mes in range(1, 13):
        if mes == 2:
            dias = 28 + bissexto
        elif mes in (4, 6, 9, 11):
            dias = 30
        else:
            dias = 31
        contagem[dia_semana] += 1
        if dia_semana == 5:
            ultima_sexta = f"{mes}/{ano}"
        total_dias += dias
        dia_semana = (dia_semana + dias) % 7
dom, seg, ter, qua, qui, sex, sab = contagem
print(f"dias={total_dias} bissextos={bissextos} 13: dom={dom} seg={seg} ter={ter} qua={qua} "
      f"qui={qui} sex={sex} sab={sab} ultima={ultima_sexta}")
