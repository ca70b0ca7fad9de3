#include "core/grid/rowdiff.h"

#include <gtest/gtest.h>

#include <string>

using namespace corvane;

namespace {

// A row whose From label is the given text; enough to tell rows apart.
GridRow row(const std::string& from) {
    return GridRow{"", from, "", "", "", "", ""};
}

GridRows rowsOf(const std::string& froms) {
    GridRows rows;
    for (char c : froms)
        rows.push_back(row(std::string(1, c)));
    return rows;
}

struct DiffCase {
    const char* name;
    const char* before;
    const char* after;
    RowChange expected;
};

class RowDiffTest : public testing::TestWithParam<DiffCase> {};

// The change found is the smallest slice between a common start and a common end, and it
// carries the grid both ways: the old list spliced with the new slice is the new list, and
// the new list spliced with the old slice (an undo) is the old list again.
TEST_P(RowDiffTest, ChangeTakesEitherListToTheOther) {
    const DiffCase& c = GetParam();
    const GridRows before = rowsOf(c.before), after = rowsOf(c.after);
    const GridLinks beforeLinks(before.size()), afterLinks(after.size());
    const RowChange change = DiffRows(before, beforeLinks, after, afterLinks);
    EXPECT_EQ(change.at, c.expected.at);
    EXPECT_EQ(change.removed, c.expected.removed);
    EXPECT_EQ(change.inserted, c.expected.inserted);

    GridRows redone = before;
    GridLinks redoneLinks = beforeLinks;
    ASSERT_TRUE(SpliceRows(redone, redoneLinks, change.at, change.removed,
                           SliceRows(after, afterLinks, change.at, change.inserted)));
    EXPECT_EQ(redone, after);
    EXPECT_EQ(redoneLinks.size(), after.size());

    GridRows undone = after;
    GridLinks undoneLinks = afterLinks;
    ASSERT_TRUE(SpliceRows(undone, undoneLinks, change.at, change.inserted,
                           SliceRows(before, beforeLinks, change.at, change.removed)));
    EXPECT_EQ(undone, before);
    EXPECT_EQ(undoneLinks.size(), before.size());
}

INSTANTIATE_TEST_SUITE_P(
    Edits, RowDiffTest,
    testing::Values(DiffCase{"Unchanged", "ABCD", "ABCD", {4, 0, 0}},
                    DiffCase{"BothEmpty", "", "", {0, 0, 0}},
                    DiffCase{"FirstRowsTyped", "", "AB", {0, 0, 2}},
                    DiffCase{"AllRowsDeleted", "ABC", "", {0, 3, 0}},
                    DiffCase{"InsertInTheMiddle", "ABCD", "ABXCD", {2, 0, 1}},
                    DiffCase{"DeleteInTheMiddle", "ABCD", "ACD", {1, 1, 0}},
                    DiffCase{"ChangeInTheMiddle", "ABCD", "ABYD", {2, 1, 1}},
                    DiffCase{"InsertAtTheStart", "ABC", "XABC", {0, 0, 1}},
                    DiffCase{"DeleteTheFirst", "ABC", "BC", {0, 1, 0}},
                    DiffCase{"AppendAtTheEnd", "ABC", "ABCX", {3, 0, 1}},
                    DiffCase{"DeleteTheLast", "ABC", "AB", {2, 1, 0}},
                    DiffCase{"ChangeFirstAndLast", "ABCD", "XBCY", {0, 4, 4}},
                    // A repeated row must not be counted in both the start and the end.
                    DiffCase{"RepeatedRowInserted", "ABBC", "ABBBC", {3, 0, 1}},
                    DiffCase{"RepeatedRowDeleted", "AAA", "AA", {2, 1, 0}},
                    DiffCase{"ClosingRowRepeatsTheFirst", "ABA", "ABABA", {3, 0, 2}}),
    [](const testing::TestParamInfo<DiffCase>& info) { return std::string(info.param.name); });

// A row that keeps its text but is now linked to another stored line is a change an undo
// must take back; a links list shorter than its rows counts the rest as unlinked.
TEST(RowDiff, LinkChangeAloneIsAChange) {
    const GridRows rows = rowsOf("ABC");
    const GridLinks unlinked(3);
    GridLinks linked(3);
    linked[1] = LinkPair{1, 2};
    EXPECT_EQ(DiffRows(rows, unlinked, rows, linked).at, 1u);
    EXPECT_EQ(DiffRows(rows, unlinked, rows, linked).removed, 1u);

    GridLinks relinked = linked;
    relinked[1] = LinkPair{2, 1};
    EXPECT_FALSE(DiffRows(rows, linked, rows, relinked).none());

    EXPECT_TRUE(DiffRows(rows, GridLinks{}, rows, unlinked).none());
}

TEST(RowDiff, SplicePastTheEndChangesNothing) {
    GridRows rows = rowsOf("AB");
    GridLinks links(2);
    links[0] = LinkPair{3, 4};
    const RowSlice slice = SliceRows(rowsOf("X"), GridLinks(1), 0, 1);
    EXPECT_FALSE(SpliceRows(rows, links, 1, 2, slice));
    EXPECT_FALSE(SpliceRows(rows, links, 3, 0, slice));
    EXPECT_EQ(rows, rowsOf("AB"));
    ASSERT_TRUE(links[0].has_value());
    EXPECT_EQ(links[0]->from, 3);

    EXPECT_TRUE(SpliceRows(rows, links, 2, 0, slice));
    EXPECT_EQ(rows, rowsOf("ABX"));
    EXPECT_EQ(links.size(), 3u);
}

} // namespace
