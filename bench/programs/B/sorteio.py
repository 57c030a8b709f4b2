# Draws N cards from a 52-card pack (with replacement), marks those drawn, and reads the
# clock and the date during the draw.
import random
import sys
import time

random.seed()
n = int(sys.argv[1])
good = went_back = dates = 0
seen = [0] * 52
before = int(time.time() * 100)
for i in range(1, n + 1):
    r = random.randrange(52)
    if r < 52:
        good += 1
        seen[r] = 1
    now = int(time.time() * 100)
    if now < before:
        went_back += 1
    before = now
    if i % 1000 == 0:
        d = time.strftime("%d/%m/%Y")
        if d.find("/") == 2 and len(d) == 10:
            dates += 1
print(f"{good}/{went_back}/{dates}/{sum(seen)}")
