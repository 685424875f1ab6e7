// Finding rows by name, signature and FID, as the find bar asks as the user types.
#include "listfind.h"

#include "testutil.h"

#include <gtest/gtest.h>

namespace {

// "\xb5\xa5" is 单 and "\xb5\x41" a GBK character whose second byte is 'A': it must never
// match an ASCII "a", nor "A" start inside it.
std::vector<DeviceRecord> Devices()
{
    return {MakeRecord("AT89C51", 0x01, 0x1e, 0x51, 0x06), MakeRecord("at89s52", 0x1e, 0x1e, 0x52, 0x06),
            MakeRecord("\xb5\xa5\xc6\xac\xbb\xfa", 0x0a, 0xbf, 0x93, 0x02), MakeRecord("X\xb5\x41Y", 0x00, 0x00, 0xff, 0x1e),
            MakeRecord("NONULNAMEFILLS20BYTE", 0xff, 0x1e, 0x93, 0x01)};
}

struct Case {
    FindField field;
    const char* query;
    std::vector<std::size_t> rows;  // every matching row
};

TEST(ListFind, MatchesEachFieldAsTheListShowsIt)
{
    const Case cases[] = {
        {FindField::Name, "at89", {0, 1}},
        {FindField::Name, "C51", {0}},
        {FindField::Name, "单片", {2}},
        {FindField::Name, "片机", {2}},
        {FindField::Name, "a", {0, 1, 4}},     // not the 'A' inside row 3's two-byte character
        {FindField::Name, "XA", {}},
        {FindField::Name, "\xe6\xb5\x8b", {}}, // 测 is in GBK but in no name
        {FindField::Name, "20BYTE", {4}},      // a name without NUL is read to the field's end
        {FindField::Name, "", {}},
        {FindField::Name, "\xf0\x9f\x98\x80", {}},  // not in GBK
        {FindField::Signature, "1e 93 01", {4}},
        {FindField::Signature, "1E9301", {4}},
        {FindField::Signature, "1e", {0, 1, 3, 4}},  // any byte
        {FindField::Signature, "1e 5", {0, 1}},      // the last byte half typed
        {FindField::Signature, "e5", {}},            // never across a byte boundary
        {FindField::Signature, "93 02", {2}},
        {FindField::Signature, "1e 93 01 00", {}},
        {FindField::Signature, "1g", {}},
        {FindField::Fid, "a", {2}},
        {FindField::Fid, "0A", {2}},
        {FindField::Fid, "1e", {1}},
        {FindField::Fid, "0", {3}},
        {FindField::Fid, "100", {}},
        {FindField::Fid, "", {}},
    };
    std::vector<DeviceRecord> recs = Devices();
    for (const Case& c : cases) {
        const RecordMatcher matcher(c.field, c.query);
        std::vector<std::size_t> rows;
        for (std::size_t i = 0; i < recs.size(); ++i)
            if (matcher.Matches(recs[i])) rows.push_back(i);
        EXPECT_EQ(rows, c.rows) << static_cast<int>(c.field) << " '" << c.query << "'";
    }
}

TEST(ListFind, FindRowStartsAtTheGivenRowAndWraps)
{
    std::vector<DeviceRecord> recs = Devices();
    const DeviceList list = ListOf(recs);
    const RecordMatcher sig1e(FindField::Signature, "1e");  // rows 0, 1, 3, 4
    using D = FindDirection;
    struct {
        std::size_t start;
        D dir;
        std::optional<std::size_t> row;
    } const steps[] = {
        {0, D::Forward, 0}, {2, D::Forward, 3}, {5, D::Forward, 0}, {99, D::Forward, 0},
        {2, D::Backward, 1}, {0, D::Backward, 0}, {99, D::Backward, 4},
    };
    for (const auto& s : steps) EXPECT_EQ(FindRow(list, sig1e, s.start, s.dir), s.row) << s.start;

    // Wrapping round: the only match is behind the start.
    EXPECT_EQ(FindRow(list, RecordMatcher(FindField::Fid, "1"), 3, D::Forward), 0u);
    EXPECT_EQ(FindRow(list, RecordMatcher(FindField::Fid, "ff"), 0, D::Backward), 4u);
    EXPECT_EQ(FindRow(list, RecordMatcher(FindField::Fid, "77"), 0, D::Forward), std::nullopt);
    EXPECT_EQ(FindRow(DeviceList{}, sig1e, 0, D::Forward), std::nullopt);
}

}  // namespace

// Both windows start a search here: a changed query from the selected row itself, F3 from the
// row after it, Shift+F3 from the row before it (past the end meaning the last row).
TEST(ListFind, FindStartFollowsTheSelectedRow)
{
    constexpr auto F = FindDirection::Forward;
    constexpr auto B = FindDirection::Backward;
    struct Row {
        long selected;
        FindDirection direction;
        bool again;
        std::size_t start;
    };
    const Row rows[] = {
        {-1, F, false, 0}, {2, F, false, 2}, {-1, F, true, 0}, {2, F, true, 3}, {4, F, true, 5},
        {-1, B, true, 5},  {0, B, true, 5},  {3, B, true, 2},
    };
    for (const Row& r : rows)
        EXPECT_EQ(FindStart(r.selected, 5, r.direction, r.again), r.start)
            << r.selected << (r.direction == F ? " forward" : " backward") << (r.again ? " again" : "");
}
