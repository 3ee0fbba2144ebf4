-- A second scene whose loader node's path method deletes the scene while
-- it draws; the magenta sprite after it must never show. The game keeps
-- rendering the deleted scene on later frames, as a script that forgot it
-- would.
local other, otherSpace
mistake("scene deleted while drawing", function(frame)
    if frame == 1 then
        other = scenegraph.scene.new(sharedSoundManager, sharedAssetManager)
        otherSpace = viewSpace(other)
        trigger(otherSpace, "deleter")
        coloured(otherSpace, 64, 20, 10, 10, 1, 0, 1)
        pathHooks.deleter = function()
            other:delete()
            otherSpace:removeNode(otherSpace)
        end
    end
    other:render()
    if frame == 3 then
        other:delete()
        return otherSpace:countRenderNodes() == 0 and other:defaultSpace() == nil
    end
end)
