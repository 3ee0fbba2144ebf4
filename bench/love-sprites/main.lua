-- N textured 32 x 32 sprites moving every frame, drawn for a fixed number of
-- frames as fast as the machine goes; prints one line:
--   love-sprites N FRAMES SECONDS CPU-SECONDS
-- Arguments: love bench/love-sprites N FRAMES [scissor]
-- With "scissor" drawing is cut to a 1 x 1 scissor, so the time is the CPU's.
local SIZE = 32
local WIDTH, HEIGHT = 480, 320

local function position(i, frame)
    -- The same motion as sprite_bench.cpp: each sprite on its own circle.
    local cx = (i * 37) % (WIDTH - 40) + 20
    local cy = (i * 53) % (HEIGHT - 40) + 20
    local phase = i * 0.1 + frame * 0.05
    return cx + 15 * math.cos(phase), cy + 15 * math.sin(phase)
end

function love.run()
    local n = tonumber(arg[2]) or 1000
    local frames = tonumber(arg[3]) or 100
    local data = love.image.newImageData(SIZE, SIZE)
    data:mapPixel(function(x, y) return x / SIZE, y / SIZE, 0.8, 1 end)
    local image = love.graphics.newImage(data)
    local half = SIZE / 2
    local scissor = arg[4] == "scissor"

    local function frame(f)
        love.event.pump()
        love.graphics.clear(0, 0, 0, 1)
        if scissor then love.graphics.setScissor(0, 0, 1, 1) end
        for i = 1, n do
            local x, y = position(i, f)
            love.graphics.draw(image, math.floor(x), math.floor(y), 0, 1, 1, half, half)
        end
        love.graphics.setScissor()
        love.graphics.present()
    end

    -- Reading a pixel back waits until the GPU has finished all drawing.
    local probe = love.graphics.newCanvas(1, 1)
    local function finish() probe:newImageData() end

    for f = 1, 5 do frame(f) end
    finish()
    local start = love.timer.getTime()
    local cpuStart = os.clock()
    for f = 1, frames do frame(f) end
    finish()
    local seconds = love.timer.getTime() - start
    local cpuSeconds = os.clock() - cpuStart
    io.write(string.format("love-sprites %d %d %.6f %.6f\n", n, frames, seconds, cpuSeconds))
    io.flush()
    return function() return 0 end
end
