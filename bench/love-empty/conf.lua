-- The peer side of empty_frame_bench: a window the size of the game's, no
-- modules an empty frame uses.
function love.conf(t)
    t.window.width = 480
    t.window.height = 320
    t.window.vsync = 0
    t.window.title = "empty frame bench"
    t.modules.audio = false
    t.modules.sound = false
    t.modules.joystick = false
    t.modules.physics = false
    t.modules.touch = false
    t.modules.video = false
end
