# Rolls a die N times and reads the clock at each roll: how many rolls came out 1 to 6,
# how often the clock went back, how many times of day (every 100 rolls) had the form
# HH:MM:SS, and how many faces came up.
import random
import sys
import time

n = int(sys.argv[1])
good = went_back = hours = 0
seen = [0] * 7
before = int(time.time() * 100)
for i in range(1, n + 1):
    d = random.randrange(6) + 1
    if 1 <= d <= 6:
        good += 1
        seen[d] = 1
    now = int(time.time() * 100)
    if now < before:
        went_back += 1
    before = now
    if i % 100 == 0:
        h = time.strftime("%H:%M:%S")
        if len(h) == 8 and h.find(":") == 2:
            hours += 1
print(f"{good}/{went_back}/{hours}/{sum(seen)}")
