import sys


def main():
    n = int(sys.argv[1])
    seed = 777
    timer = 0
    request = False
    state = "VERDE"
    time_in = {"VERDE": 0, "AMARELO": 0, "VERMELHO": 0, "TRAVESSIA": 0}
    cycles = crossings = waiting = 0
    for _ in range(n):
        timer += 1
        seed = (seed * 171 + 11) % 30269
        if seed % 23 == 0:
            request = True
        if request:
            waiting += 1
        time_in[state] += 1
        if state == "VERDE":
            if timer >= 8 and (request or timer >= 30):
                state, timer = "AMARELO", 0
        elif state == "AMARELO":
            if timer >= 3:
                state, timer = "VERMELHO", 0
        elif state == "VERMELHO":
            if timer >= 2:
                if request:
                    state, timer, request = "TRAVESSIA", 0, False
                    crossings += 1
                elif timer >= 12:
                    state, timer = "VERDE", 0
                    cycles += 1
        else:
            if timer >= 10:
                # whoever pressed during the crossing has crossed too
                state, timer, request = "VERDE", 0, False
                cycles += 1
    print(time_in["VERDE"], time_in["AMARELO"], time_in["VERMELHO"], time_in["TRAVESSIA"],
          cycles, crossings, waiting)


main()
