-- The peer side of sprite_bench: a window the size of ours, no vsync, no
-- modules the scene does not use.
function love.conf(t)
    t.window.width = 480
    t.window.height = 320
    t.window.vsync = 0
    t.window.title = "sprite bench"
    t.modules.audio = false
    t.modules.sound = false
    t.modules.joystick = false
    t.modules.physics = false
    t.modules.touch = false
    t.modules.video = false
end
