#include "core/printtext.h"

#include <gtest/gtest.h>

using namespace corvane;

TEST(RenderPrintLine, PlacesTextsAtTheirColumns) {
    EXPECT_EQ(RenderPrintLine(TabLine(5, "ab")), std::vector<std::string>{"    ab"});
    PrintLine l;
    l.tab(1, "From").tab(10, "To").add(":").tab(20, "Bearing");
    EXPECT_EQ(RenderPrintLine(l), std::vector<std::string>{"From     To:       Bearing"});
    // Trailing blanks are not kept; an empty line is still one line.
    EXPECT_EQ(RenderPrintLine(PrintLine("abc   ")), std::vector<std::string>{"abc"});
    EXPECT_EQ(RenderPrintLine(PrintLine()), std::vector<std::string>{""});
}

TEST(RenderPrintLine, TabToAPassedColumnContinuesOnTheNextLine) {
    PrintLine passed;
    passed.tab(1, "12345678").tab(5, "x").tab(8, "y");
    EXPECT_EQ(RenderPrintLine(passed), (std::vector<std::string>{"12345678", "    x  y"}));

    // Tabbing to the very column the text has reached stays on the line.
    PrintLine reached;
    reached.tab(1, "1234").tab(5, "x");
    EXPECT_EQ(RenderPrintLine(reached), std::vector<std::string>{"1234x"});

    // Blanks count as printed: a column passed only by blanks still starts a new line.
    PrintLine blanks;
    blanks.tab(1, "ab    ").tab(4, "c");
    EXPECT_EQ(RenderPrintLine(blanks), (std::vector<std::string>{"ab", "   c"}));
}

TEST(RenderPrintLine, NextZoneMovesToTheNextFourteenthColumn) {
    PrintLine l;
    l.add("a").tab(kNextZone, "b").tab(kNextZone, "c");
    EXPECT_EQ(RenderPrintLine(l), std::vector<std::string>{"a" + std::string(13, ' ') + "b" +
                                                           std::string(13, ' ') + "c"});
    // From the start of a line, and from the start of a zone, it moves a whole zone.
    PrintLine start;
    start.tab(kNextZone, "x");
    EXPECT_EQ(RenderPrintLine(start), std::vector<std::string>{std::string(14, ' ') + "x"});
    PrintLine full;
    full.add(std::string(14, 'a')).tab(kNextZone, "x");
    EXPECT_EQ(RenderPrintLine(full),
              std::vector<std::string>{std::string(14, 'a') + std::string(14, ' ') + "x"});
}

TEST(RenderPrintLines, KeepsTheOrderOfLinesAndTheirContinuations) {
    PrintLine wrapped;
    wrapped.tab(1, "long text").tab(3, "next");
    auto out = RenderPrintLines({PrintLine("first"), wrapped, PrintLine("last")});
    EXPECT_EQ(out, (std::vector<std::string>{"first", "long text", "  next", "last"}));
}
