local n = tonumber(arg[1])
local seed = 777
local timer = 0
local request = false
local state = "VERDE"
local time_in = {VERDE = 0, AMARELO = 0, VERMELHO = 0, TRAVESSIA = 0}
local cycles, crossings, waiting = 0, 0, 0
for _ = 1, n do
  timer = timer + 1
  seed = (seed * 171 + 11) % 30269
  if seed % 23 == 0 then request = true end
  if request then waiting = waiting + 1 end
  time_in[state] = time_in[state] + 1
  if state == "VERDE" then
    if timer >= 8 and (request or timer >= 30) then
      state, timer = "AMARELO", 0
    end
  elseif state == "AMARELO" then
    if timer >= 3 then state, timer = "VERMELHO", 0 end
  elseif state == "VERMELHO" then
    if timer >= 2 then
      if request then
        state, timer, request = "TRAVESSIA", 0, false
        crossings = crossings + 1
      elseif timer >= 12 then
        state, timer = "VERDE", 0
        cycles = cycles + 1
      end
    end
  else
    if timer >= 10 then
      -- whoever pressed during the crossing has crossed too
      state, timer, request = "VERDE", 0, false
      cycles = cycles + 1
    end
  end
end
print(string.format("%d %d %d %d %d %d %d", time_in.VERDE, time_in.AMARELO, time_in.VERMELHO,
                    time_in.TRAVESSIA, cycles, crossings, waiting))
