#include "core/base/printtext.h"

#include <gtest/gtest.h>

using namespace corvane;
using Texts = std::vector<std::string>;

TEST(RenderPrintLine, PlacesTextsAtTheirColumns) {
    EXPECT_EQ(RenderPrintLine(TabLine(5, "ab")), Texts{"    ab"});
    EXPECT_EQ(RenderPrintLine(PrintLine().tab(1, "From").tab(10, "To").add(":").tab(20, "Brg")),
              Texts{"From     To:       Brg"});
    // Trailing blanks are not kept; an empty line is still one line.
    EXPECT_EQ(RenderPrintLine(PrintLine("abc   ")), Texts{"abc"});
    EXPECT_EQ(RenderPrintLine(PrintLine()), Texts{""});
}

TEST(RenderPrintLine, TabToAPassedColumnContinuesOnTheNextLine) {
    EXPECT_EQ(RenderPrintLine(PrintLine().tab(1, "12345678").tab(5, "x").tab(8, "y")),
              (Texts{"12345678", "    x  y"}));
    // Tabbing to the very column the text has reached stays on the line.
    EXPECT_EQ(RenderPrintLine(PrintLine().tab(1, "1234").tab(5, "x")), Texts{"1234x"});
    // Blanks count as printed: a column passed only by blanks still starts a new line.
    EXPECT_EQ(RenderPrintLine(PrintLine().tab(1, "ab    ").tab(4, "c")), (Texts{"ab", "   c"}));
    auto out = RenderPrintLines(
        {PrintLine("first"), PrintLine().tab(1, "long").tab(3, "x"), PrintLine("last")});
    EXPECT_EQ(out, (Texts{"first", "long", "  x", "last"}));
}

TEST(RenderPrintLine, NextZoneMovesToTheNextFourteenthColumn) {
    const std::string zone(13, ' ');
    EXPECT_EQ(RenderPrintLine(PrintLine().add("a").tab(kNextZone, "b").tab(kNextZone, "c")),
              Texts{"a" + zone + "b" + zone + "c"});
    // From the start of a line, and from the start of a zone, it moves a whole zone.
    EXPECT_EQ(RenderPrintLine(PrintLine().tab(kNextZone, "x")), Texts{" " + zone + "x"});
    EXPECT_EQ(RenderPrintLine(PrintLine().add(std::string(14, 'a')).tab(kNextZone, "x")),
              Texts{std::string(14, 'a') + " " + zone + "x"});
}
