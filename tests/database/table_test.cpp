#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "database/table.h"
#include "database/table_filter.h"
#include "support/temp_folder.h"

using namespace kiruvan;
using kiruvan::test::TempFolder;

namespace {

void defineSample(Table& t)
{
    t.addField("Name", FieldType::String, 10);
    t.addField("Count", FieldType::Integer);
    t.addField("Price", FieldType::Float);
    t.addField("Day", FieldType::Date);
}

void addRow(Table& t, const Value& name, const Value& count, const Value& price, const Value& day)
{
    t.append();
    t.field(0).setValue(name);
    t.field(1).setValue(count);
    t.field(2).setValue(price);
    t.field(3).setValue(day);
    t.post();
}

std::vector<std::string> column(Table& t, int field)
{
    std::vector<std::string> out;
    for (int r = 0; r < t.recordCount(); ++r)
        out.push_back(t.textAt(r, field));
    return out;
}

}  // namespace

TEST(TableFileRoundTrip, KeepsFieldsIndexesNullsAndExactValues)
{
    TempFolder dir;
    const double values[] = {-0.0,
                             std::numeric_limits<double>::denorm_min(),
                             std::numeric_limits<double>::max(),
                             std::numeric_limits<double>::lowest(),
                             0.1,
                             1e15,
                             3.0,
                             -123456.789};
    Table t;
    defineSample(t);
    t.addIndex("Index_1", "Day;Name", ixPrimary | ixCaseInsensitive);
    t.create();
    for (double v : values)
        addRow(t, std::string("é'\"x"), INT32_MIN, v, Date::fromYmd(1, 1, 1));
    addRow(t, std::monostate{}, std::monostate{}, std::monostate{}, std::monostate{});
    addRow(t, std::string("last"), INT32_MAX, 2.5, Date::fromYmd(9999, 12, 31));
    t.saveToFile(dir.file("r.cds"));

    Table back;
    back.loadFromFile(dir.file("r.cds"));
    EXPECT_EQ(back.fields(), t.fields());
    EXPECT_EQ(back.fields()[0].size, 10);
    ASSERT_EQ(back.indexes().size(), 1u);
    EXPECT_EQ(back.indexes()[0], (IndexDef{"Index_1", "Day;Name", ixPrimary | ixCaseInsensitive}));
    ASSERT_EQ(back.recordCount(), 10);
    for (int i = 0; i < 8; ++i) {
        const double got = std::get<double>(back.valueAt(i, 2));
        EXPECT_EQ(std::memcmp(&got, &values[i], sizeof got), 0) << i;
        EXPECT_EQ(std::get<std::int32_t>(back.valueAt(i, 1)), INT32_MIN);
    }
    EXPECT_EQ(std::get<std::string>(back.valueAt(0, 0)), "é'\"x");
    for (int f = 0; f < 4; ++f)
        EXPECT_TRUE(std::holds_alternative<std::monostate>(back.valueAt(8, f)));
    EXPECT_EQ(back.textAt(9, 3), "31/12/9999");
    EXPECT_EQ(back.textAt(0, 3), "01/01/0001");
}

TEST(TableFields, ConvertTextWithTheProgramsReaders)
{
    TempFolder dir;
    FixedClock clock(Date::fromYmd(2026, 6, 15));
    Table t;
    t.setClock(clock);
    defineSample(t);
    t.create();
    t.append();
    t["name"].setAsString("abcdefghijklmnop");  // longer than the field: cut to 10 characters
    t["COUNT"].setAsString(" 42 ");
    t["price"].setAsString("1.5E3");
    t["day"].setAsString("5/3");
    t.post();
    EXPECT_EQ(t["Name"].asString(), "abcdefghij");
    EXPECT_EQ(t["Count"].asInteger(), 42);
    EXPECT_EQ(t["Price"].asString(), "1500");
    EXPECT_EQ(t["Day"].asString(), "05/03/2026");
    t.edit();
    EXPECT_THROW(t["Price"].setAsString("12,5"), TableError);
    EXPECT_THROW(t["Day"].setAsString("31/02/2004"), TableError);
    EXPECT_THROW(t["Count"].setAsString("4.5"), TableError);
    EXPECT_THROW(t["Price"].setAsFloat(std::nan("")), TableError);
    t["Price"].setAsString("");
    t.post();
    EXPECT_TRUE(t["Price"].isNull());
    EXPECT_EQ(t["Price"].asFloat(), 0.0);
    EXPECT_THROW(t.field("Missing"), TableError);
    EXPECT_THROW(t["Name"].setAsString("x"), TableError) << "writes need edit or insert state";
}

TEST(TableFilter, SelectsRowsByEqualityTests)
{
    TempFolder dir;
    Table t;
    defineSample(t);
    t.create();
    addRow(t, std::string("it's"), 1, 1.0, Date::fromYmd(2004, 3, 5));
    addRow(t, std::string("b"), 2, 2.0, Date::fromYmd(2004, 3, 5));
    addRow(t, std::string("c"), 1, 3.0, Date::fromYmd(2004, 3, 6));
    t.saveToFile(dir.file("f.cds"));

    const FixedClock clock = test::fixedClock2026();
    Table f;
    f.setClock(clock);
    f.setFileName(dir.file("f.cds"));
    f.setFilter("count=1");
    f.setFiltered(true);
    f.open();
    EXPECT_EQ(column(f, 0), (std::vector<std::string>{"it's", "c"}));

    f.setFilter("NAME  =  'it''s' and Count = 1");
    EXPECT_EQ(column(f, 0), (std::vector<std::string>{"it's"}));
    f.setFilter("day = '05/03/2004'");
    EXPECT_EQ(f.recordCount(), 2);
    f.setFilter("day = '05/03/2004' AND count=2");
    EXPECT_EQ(column(f, 0), (std::vector<std::string>{"b"}));
    f.setFilter(bothOf(fieldIs("name", "it's"), fieldIs("count", 1)));
    EXPECT_EQ(column(f, 0), (std::vector<std::string>{"it's"}));
    f.setFilter("name='nobody'");
    EXPECT_TRUE(f.isEmpty());
    EXPECT_EQ(f.recNo(), 0);
    f.setFiltered(false);
    EXPECT_EQ(f.recordCount(), 3);

    for (const char* bad : {"count", "count = ", "nosuch = 1", "name = 'open", "count = 1 or count = 2"}) {
        try {
            f.setFilter(bad);
            f.setFiltered(true);
            ADD_FAILURE() << bad;
        } catch (const TableError& e) {
            EXPECT_NE(std::string(e.what()).find(std::string("\"") + bad + "\""), std::string::npos) << e.what();
        }
        f.setFiltered(false);
    }
}

TEST(TableSort, IsStableAndSurvivesReload)
{
    TempFolder dir;
    Table t;
    defineSample(t);
    t.create();
    addRow(t, std::string("b"), 2, 1.0, std::monostate{});
    addRow(t, std::string("a"), 2, 2.0, std::monostate{});
    addRow(t, std::string("B"), 1, 3.0, std::monostate{});
    addRow(t, std::string("a"), 1, 4.0, std::monostate{});
    t.setSortOrder("count;name");
    EXPECT_EQ(column(t, 2), (std::vector<std::string>{"3", "4", "2", "1"}));
    t.setSortOrder("name");
    EXPECT_EQ(column(t, 2), (std::vector<std::string>{"3", "2", "4", "1"})) << "byte order, equal keys in file order";
    t.saveToFile(dir.file("s.cds"));
    t.loadFromFile(dir.file("s.cds"));
    EXPECT_EQ(column(t, 2), (std::vector<std::string>{"3", "2", "4", "1"}));
    EXPECT_THROW(t.setSortOrder("name;nosuch"), TableError);
}

TEST(TableCursor, MovesAndClipsLikeTheDialogsExpect)
{
    Table t;
    defineSample(t);
    t.create();
    EXPECT_TRUE(t.isEmpty());
    EXPECT_TRUE(t.eof());
    for (int i = 1; i <= 5; ++i)
        addRow(t, std::monostate{}, i, std::monostate{}, std::monostate{});
    t.first();
    EXPECT_TRUE(t.bof());
    EXPECT_FALSE(t.eof());
    int visited = 0;
    while (!t.eof()) {
        ++visited;
        t.next();
    }
    EXPECT_EQ(visited, 5);
    EXPECT_EQ(t.recNo(), 5);
    t.moveBy(-10);
    EXPECT_EQ(t.recNo(), 1);
    EXPECT_TRUE(t.bof());
    t.moveBy(2);
    EXPECT_EQ(t["Count"].asInteger(), 3);
    t.last();
    EXPECT_TRUE(t.eof());
    t.prior();
    EXPECT_EQ(t.recNo(), 4);
}

TEST(TableEditing, AppendEditCancelAndDelete)
{
    Table t;
    defineSample(t);
    t.create();
    for (int i = 1; i <= 3; ++i)
        addRow(t, std::monostate{}, i, std::monostate{}, std::monostate{});
    t.moveTo(2);
    t.edit();
    EXPECT_TRUE(t.isEditing());
    t["Count"].setAsInteger(20);
    t.cancel();
    EXPECT_EQ(t["Count"].asInteger(), 2);
    t.edit();
    t["Count"].setAsInteger(20);
    t.next();  // moving posts the pending change
    EXPECT_EQ(t.state(), TableState::Browse);
    EXPECT_EQ(t.valueAt(1, 1), Value(20));

    t.moveTo(2);
    t.remove();
    EXPECT_EQ(t.recordCount(), 2);
    EXPECT_EQ(t["Count"].asInteger(), 3) << "the following row becomes current";
    t.remove();
    EXPECT_EQ(t["Count"].asInteger(), 1) << "deleting the last row makes the new last current";
    t.remove();
    EXPECT_TRUE(t.isEmpty());
    EXPECT_THROW(t.remove(), TableError);
    t.edit();  // editing an empty table starts a new row
    EXPECT_EQ(t.state(), TableState::Insert);
}

TEST(TableEvents, FireInOrder)
{
    TempFolder dir;
    Table t;
    defineSample(t);
    t.create();
    addRow(t, std::monostate{}, 1, std::monostate{}, std::monostate{});
    addRow(t, std::monostate{}, 2, std::monostate{}, std::monostate{});
    t.saveToFile(dir.file("e.cds"));

    std::vector<std::string> log;
    Table e;
    e.afterOpen = [&](Table&) { log.push_back("open"); };
    e.beforeScroll = [&](Table& x) { log.push_back("before" + std::to_string(x.recNo())); };
    e.afterScroll = [&](Table& x) { log.push_back("after" + std::to_string(x.recNo())); };
    e.afterInsert = [&](Table&) { log.push_back("insert"); };
    e.afterEdit = [&](Table&) { log.push_back("edit"); };
    int resets = 0;
    e.subscribe([&](TableChange c, int) { resets += c == TableChange::Reset; });
    e.loadFromFile(dir.file("e.cds"));
    e.next();
    e.edit();
    e.append();
    EXPECT_EQ(log,
              (std::vector<std::string>{"open", "after1", "before1", "after2", "edit", "before2", "insert", "after2"}));
    e.cancel();
    resets = 0;
    e.disableControls();
    e.first();
    e.remove();
    EXPECT_EQ(resets, 0) << "held back while suspended";
    e.enableControls();
    EXPECT_EQ(resets, 1);
}
