-- An actor kept one frame too long: its ports are written and read after
-- the sprite was removed. Writes do nothing, reads give nil, every frame.
local x, actor
local reads = 0
mistake("stale port", function(frame)
    if frame == 1 then
        actor = coloured(space, 100, 40, 6, 6, 1, 0, 1)
        x = actor.x
        space:removeNode(actor)
        return nil
    end
    x:setValue(frame, true)
    actor.width:setValue(100, true)
    actor:setLayer(3)
    if x:value() ~= nil or actor.y:value() ~= nil or actor:getLayer() ~= 0 then return false end
    reads = reads + 1
    if reads == 3 then return true end
end)
