-- FRAMES empty frames paced at 60 a second (clear, present, sleep until the
-- next tick), then quits: love bench/love-empty FRAMES
function love.run()
    local frames = tonumber(arg[2]) or 300
    local period = 1 / 60
    local next = love.timer.getTime()
    for f = 1, frames do
        love.event.pump()
        love.graphics.clear(0, 0, 0, 1)
        love.graphics.present()
        next = next + period
        local wait = next - love.timer.getTime()
        if wait > 0 then love.timer.sleep(wait) end
    end
    return function() return 0 end
end
