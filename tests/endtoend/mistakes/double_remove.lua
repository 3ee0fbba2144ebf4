-- A node removed twice from its space, and a space removed twice from its
-- scene, on consecutive frames: the second removal is ignored.
local own, sprite, extra
mistake("double remove", function(frame)
    if frame == 1 then
        own = viewSpace(scene)
        sprite = coloured(own, 120, 56, 4, 4, 1, 0, 1)
        extra = scene:createSpace(scenegraph.space)
        own:removeNode(sprite)
        scene:removeSpace(extra)
    elseif frame == 2 then
        own:removeNode(sprite)
        scene:removeSpace(extra)
        own:removeNode(sprite)
    else
        return own:countRenderNodes() == 0
    end
end)
