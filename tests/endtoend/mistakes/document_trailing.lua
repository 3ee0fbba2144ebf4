-- A document whose root element is followed by more content: the root's
-- table is read.
mistake("content after the root element", function(frame)
    local root = pgf.loadString("<level name=\"one\"><row/></level>\n<level name=\"two\"/>")
    return type(root) == "table" and root[0] == "level" and root.name == "one" and root[1][0] == "row"
end)
