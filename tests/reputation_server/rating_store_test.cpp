// One contract for both stores: SQLite always, PostgreSQL when the test command started a server.
#include "rating_store.h"

#include "test_support.h"

namespace brisvane::reputation {
namespace {

using namespace support;
using ::testing::HasSubstr, ::testing::ThrowsMessage;

class StoreContract : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (scratch_.url.empty()) GTEST_SKIP() << "no PostgreSQL server: BRISVANE_TEST_PG is not set";
  }
  ScratchStore scratch_{GetParam()};
};

TEST_P(StoreContract, ANewStoreAnswersNotFoundUntilRatedAndKeepsItsRatingsWhenReopened) {
  {
    const auto store = scratch_.Open();
    EXPECT_TRUE(store->created());
    EXPECT_EQ(store->Find(HashNumber(1)), Rating::kNotFound);
    // In one batch the last rating of a hash wins; this one is larger than one round of copying.
    std::vector<RatedHash> many = {{HashNumber(1), Rating::kBad}};
    for (unsigned i = 1; i < 5000; ++i) many.push_back({HashNumber(i), static_cast<Rating>(i % 6)});
    store->Store(many);
    store->Store(HashNumber(2), Rating::kVerified);
  }
  // Rows another program wrote hold the codes 0 to 5 for VERIFIED, GOOD, NONE, NOTFOUND, BAD and FAKE;
  // the table takes no other code.
  for (int code = 0; code <= 6; ++code) {
    scratch_.Sql("INSERT INTO ratings VALUES (" + scratch_.Literal(HashNumber(9000 + code)) + ", " +
                 std::to_string(code) + ")", code == 6);
  }
  const auto reopened = scratch_.Open();
  EXPECT_FALSE(reopened->created());
  EXPECT_EQ(reopened->Count(), 4999u + 6);
  EXPECT_EQ(reopened->Find(HashNumber(1)), Rating::kGood);
  EXPECT_EQ(reopened->Find(HashNumber(2)), Rating::kVerified);
  for (unsigned i = 3; i < 5000; i += 499) EXPECT_EQ(reopened->Find(HashNumber(i)), static_cast<Rating>(i % 6));
  const Rating by_code[] = {Rating::kVerified, Rating::kGood, Rating::kNone, Rating::kNotFound, Rating::kBad, Rating::kFake};
  for (int code = 0; code < 6; ++code) EXPECT_EQ(reopened->Find(HashNumber(9000 + code)), by_code[code]);
}

TEST_P(StoreContract, ABatchIsWrittenWholeOrNotAtAllAndAnOpenReaderSeesWhatAnotherProgramDoes) {
  const auto store = scratch_.Open();
  store->Store(HashNumber(1), Rating::kGood);
  // Writing hash 3 fails, as on a full disk or a broken connection.
  const std::string refused = scratch_.Literal(HashNumber(3));
  scratch_.Sql(scratch_.postgres ? "ALTER TABLE ratings ADD CONSTRAINT refused CHECK (hash <> " + refused + ")"
                                     : "CREATE TRIGGER refused BEFORE INSERT ON ratings WHEN new.hash = " + refused +
                                           " BEGIN SELECT RAISE(ABORT, 'refused'); END");
  const std::vector<RatedHash> batch = {
      {HashNumber(1), Rating::kFake}, {HashNumber(2), Rating::kBad}, {HashNumber(3), Rating::kNone}};
  EXPECT_THAT([&] { store->Store(batch); }, ThrowsMessage<StoreError>(HasSubstr("refused")));
  EXPECT_EQ(store->Find(HashNumber(1)), Rating::kGood);
  EXPECT_EQ(store->Count(), 1u);
  // Nothing of the failed batch stands in the way of the next one.
  scratch_.Sql(scratch_.postgres ? "ALTER TABLE ratings DROP CONSTRAINT refused" : "DROP TRIGGER refused");
  store->Store(batch);
  EXPECT_EQ(store->Find(HashNumber(3)), Rating::kNone);

  // What another program does to the table reaches a reader that is open already: a new rating soon, a
  // dropped table as an error rather than an answer.
  const auto reader = store->OpenReader();
  EXPECT_EQ(reader->Find(HashNumber(4)), Rating::kNotFound);
  scratch_.Open()->Store(HashNumber(4), Rating::kGood);
  EXPECT_TRUE(Eventually([&] { return reader->Find(HashNumber(4)) == Rating::kGood; }, 3 * kReaderFreshness));
  EXPECT_NO_THROW(reader->Ping());
  scratch_.Sql("DROP TABLE ratings");
  EXPECT_THROW(reader->Find(HashNumber(5)), StoreError);
  EXPECT_THROW(reader->Find(HashNumber(6)), StoreError);
  EXPECT_THROW(reader->Ping(), StoreError);
}

TEST_P(StoreContract, AnotherProgramsTableIsRefusedUntouched) {
  scratch_.Sql("CREATE TABLE ratings (name TEXT); INSERT INTO ratings VALUES ('kept')");
  EXPECT_THAT([&] { scratch_.Open(); }, ThrowsMessage<StoreError>(HasSubstr("not a ratings")));
  scratch_.Sql("DELETE FROM ratings WHERE name = 'kept'");  // fails if the table was changed
}

// The import is killed while it writes: PostgreSQL's while it waits for a lock this test holds,
// SQLite's once its write-ahead log starts to grow.
TEST_P(StoreContract, AKilledImportLeavesTheOldRatingsWhole) {
  scratch_.Open()->Store(HashNumber(1), Rating::kGood);
  std::string csv;
  for (unsigned i = 0; i < (scratch_.postgres ? 50000u : 500000u); ++i) csv += HexNumber(i) + ",FAKE\n";
  const std::string big = scratch_.dir.Write("big.csv", csv);
  const auto locks = [&](const std::string& which) {
    return scratch_.Sql("SELECT count(*) FROM pg_locks WHERE relation = 'ratings'::regclass AND " + which);
  };
  FILE* holder = scratch_.postgres ? popen(scratch_.Shell().c_str(), "w") : nullptr;
  if (holder) {
    std::fputs("BEGIN; LOCK TABLE ratings IN SHARE MODE;\n", holder);
    std::fflush(holder);
    ASSERT_TRUE(Eventually([&] { return locks("granted") == "1\n"; }));
  }
  const auto writing = [&] {
    if (holder) return locks("NOT granted") != "0\n";
    std::error_code ec;
    const auto size = std::filesystem::file_size(scratch_.dir.Path("ratings.db-wal"), ec);
    return !ec && size > 0;
  };
  Process import({"import", "--db", scratch_.url, big});
  ASSERT_TRUE(Eventually(writing));
  import.Signal(SIGKILL);
  EXPECT_EQ(import.Wait(), -1) << "the import ended before it could be killed";
  if (holder) pclose(holder);
  // The store's own opening rolls back what the dead process left.
  const auto reopened = scratch_.Open();
  EXPECT_EQ(reopened->Find(HashNumber(1)), Rating::kGood);
  EXPECT_EQ(reopened->Count(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Stores, StoreContract, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace brisvane::reputation
