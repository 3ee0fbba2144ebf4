-- Loader nodes ask project:pathForImage while the scene draws; this path
-- method removes the sprite drawn after the loader's sprite (magenta: it
-- must never show), the loader's own sprite and the loader, and then the
-- same nodes again on the next question.
local victim, sprite, loader
mistake("removal while drawing", function(frame)
    if frame == 1 then
        sprite, loader = trigger(space, "remover")
        victim = coloured(space, 64, 40, 10, 10, 1, 0, 1)
        pathHooks.remover = function()
            space:removeNode(victim)
            space:removeNode(sprite)
            space:removeNode(loader)
            space:removeNode(victim)
        end
    elseif frame == 3 then
        return victim:getLayer() == 0 and victim.x:value() == nil
    end
end)
