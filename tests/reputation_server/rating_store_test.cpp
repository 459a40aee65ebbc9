#include "rating_store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "test_support.h"

namespace brisvane::reputation {
namespace {

using support::Hash;
using support::HashNumber;
using support::kSha1Abc;
using support::kSha1Empty;
using support::ReadFile;
using support::TempDir;
using support::WriteFile;

// Runs SQL through a connection of its own, as another program would.
void ExecuteElsewhere(const std::string& db_path, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(db_path.c_str(), &db), SQLITE_OK);
  char* message = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
  EXPECT_EQ(rc, SQLITE_OK) << (message ? message : "");
  sqlite3_free(message);
  sqlite3_close(db);
}

// What the sqlite3 program reads from the file, one output line per row.
std::string AskSqliteProgram(const std::string& db_path, const std::string& sql) {
  const std::string command = "sqlite3 -batch '" + db_path + "' \"" + sql + "\" 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return "popen failed";
  std::string output;
  char buffer[4096];
  while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  pclose(pipe);
  return output;
}

bool HaveSqliteProgram() { return std::system("command -v sqlite3 >/dev/null 2>&1") == 0; }

TEST(RatingStore, NewFileAnswersNotFoundUntilRatedThenKeepsTheRating) {
  TempDir dir;
  const std::string path = dir / "ratings.db";
  {
    RatingStore store(path);
    EXPECT_TRUE(store.created());
    EXPECT_EQ(store.Count(), 0u);
    EXPECT_EQ(store.Find(Hash(kSha1Abc)), Rating::kNotFound);
    store.Store(Hash(kSha1Abc), Rating::kFake);
    // The same torrent asked for in upper case.
    EXPECT_EQ(store.Find(Hash("A9993E364706816ABA3E25717850C26C9CD0D89D")), Rating::kFake);
    EXPECT_EQ(store.Find(Hash(kSha1Empty)), Rating::kNotFound);
    store.Store(Hash(kSha1Abc), Rating::kVerified);
    EXPECT_EQ(store.Find(Hash(kSha1Abc)), Rating::kVerified);
    EXPECT_EQ(store.Count(), 1u);
  }
  RatingStore reopened(path);
  EXPECT_FALSE(reopened.created());
  EXPECT_EQ(reopened.Find(Hash(kSha1Abc)), Rating::kVerified);
}

TEST(RatingStore, FileLayoutAsTheSqliteProgramSeesIt) {
  if (!HaveSqliteProgram()) GTEST_SKIP() << "the sqlite3 program is not installed";
  TempDir dir;
  const std::string path = dir / "ratings.db";
  {
    RatingStore store(path);
    store.Store(std::vector<RatedHash>{{Hash(kSha1Abc), Rating::kBad}, {Hash(kSha1Empty), Rating::kGood}});
  }
  // Hashes are 20-byte blobs, ratings their codes, in a table without row ids, journaled by WAL.
  EXPECT_EQ(AskSqliteProgram(path, "SELECT lower(hex(hash)), typeof(hash), rating FROM ratings ORDER BY 1"),
            std::string(kSha1Abc) + "|blob|4\n" + kSha1Empty + "|blob|1\n");
  EXPECT_EQ(AskSqliteProgram(path, "PRAGMA journal_mode"), "wal\n");
  EXPECT_NE(AskSqliteProgram(path, ".schema ratings").find("WITHOUT ROWID"), std::string::npos);
  // The table refuses rows the server could not answer for.
  EXPECT_NE(AskSqliteProgram(path, "INSERT INTO ratings VALUES (x'00', 1)").find("CHECK constraint"), std::string::npos);
  EXPECT_NE(AskSqliteProgram(path, "INSERT INTO ratings VALUES (zeroblob(20), 6)").find("CHECK constraint"),
            std::string::npos);
}

TEST(RatingStore, RefusesFilesThatAreNotRatingsDatabasesAndLeavesThemAlone) {
  TempDir dir;
  const std::string text_file = dir / "notes.txt";
  WriteFile(text_file, "hash,rating\nthis is not SQLite at all, just more than a header's worth of text\n");
  const std::string text_before = ReadFile(text_file);
  EXPECT_THROW(RatingStore{text_file}, StoreError);
  EXPECT_EQ(ReadFile(text_file), text_before);

  const std::string other_db = dir / "other.db";
  ExecuteElsewhere(other_db, "CREATE TABLE accounts (name TEXT); INSERT INTO accounts VALUES ('kept')");
  const std::string db_before = ReadFile(other_db);
  try {
    RatingStore store(other_db);
    ADD_FAILURE() << "another program's database was opened";
  } catch (const StoreError& error) {
    EXPECT_EQ(std::string(error.what()), other_db + " is not a ratings database");
  }
  EXPECT_EQ(ReadFile(other_db), db_before);

  EXPECT_THROW(RatingStore{dir / "no-such-folder/ratings.db"}, StoreError);
}

TEST(RatingStore, ABatchIsWrittenWholeOrNotAtAll) {
  TempDir dir;
  const std::string path = dir / "ratings.db";
  RatingStore store(path);
  store.Store(HashNumber(1), Rating::kGood);
  // A database that fails on the third row, as a full disk would.
  ExecuteElsewhere(path, "CREATE TRIGGER refuse BEFORE INSERT ON ratings WHEN new.hash = x'" +
                             ToHex(HashNumber(3)) + "' BEGIN SELECT RAISE(ABORT, 'refused'); END");
  const std::vector<RatedHash> batch = {
      {HashNumber(1), Rating::kFake}, {HashNumber(2), Rating::kBad}, {HashNumber(3), Rating::kNone}};
  try {
    store.Store(batch);
    ADD_FAILURE() << "the failing row went unnoticed";
  } catch (const StoreError& error) {
    EXPECT_NE(std::string(error.what()).find("refused"), std::string::npos) << error.what();
  }
  EXPECT_EQ(store.Find(HashNumber(1)), Rating::kGood);
  EXPECT_EQ(store.Find(HashNumber(2)), Rating::kNotFound);
  EXPECT_EQ(store.Count(), 1u);
  // The connection is usable afterwards.
  ExecuteElsewhere(path, "DROP TRIGGER refuse");
  store.Store(batch);
  EXPECT_EQ(store.Find(HashNumber(3)), Rating::kNone);
}

TEST(RatingStore, LookupsSeeWhatAnotherProgramWroteSinceTheyLastRead) {
  TempDir dir;
  const std::string path = dir / "ratings.db";
  RatingStore server(path);
  EXPECT_EQ(server.Find(Hash(kSha1Abc)), Rating::kNotFound);
  {
    RatingStore importer(path);
    importer.Store(Hash(kSha1Abc), Rating::kGood);
  }
  EXPECT_EQ(server.Find(Hash(kSha1Abc)), Rating::kGood);
}

TEST(RatingStore, ConcurrentLookupsAllAnswerRightWhileAWriterWorks) {
  TempDir dir;
  RatingStore store(dir / "ratings.db");
  constexpr unsigned kKnown = 500;
  std::vector<RatedHash> known;
  for (unsigned i = 0; i < kKnown; ++i) known.push_back({HashNumber(i), static_cast<Rating>(i % 6)});
  store.Store(known);

  std::atomic<unsigned> wrong{0};
  std::atomic<bool> writing{true};
  std::thread writer([&] {
    for (unsigned batch = 0; batch < 20; ++batch) {
      std::vector<RatedHash> more;
      for (unsigned i = 0; i < 100; ++i) more.push_back({HashNumber(100000 + batch * 100 + i), Rating::kBad});
      store.Store(more);
    }
    writing = false;
  });
  std::vector<std::thread> readers;
  for (unsigned t = 0; t < 8; ++t) {
    readers.emplace_back([&, t] {
      for (unsigned round = 0; round < 3 || writing; ++round) {
        for (unsigned i = t; i < kKnown; i += 8) {
          if (store.Find(HashNumber(i)) != static_cast<Rating>(i % 6)) ++wrong;
        }
        if (round > 1000) break;
      }
    });
  }
  writer.join();
  for (auto& reader : readers) reader.join();
  EXPECT_EQ(wrong, 0u);
  EXPECT_EQ(store.Count(), kKnown + 2000u);
}

TEST(RatingStore, ADamagedDatabaseIsAnErrorNotAnAnswer) {
  TempDir dir;
  const std::string path = dir / "ratings.db";
  RatingStore store(path);
  store.Store(Hash(kSha1Abc), Rating::kGood);
  EXPECT_EQ(store.Find(Hash(kSha1Abc)), Rating::kGood);
  ExecuteElsewhere(path, "DROP TABLE ratings");
  EXPECT_THROW(store.Find(Hash(kSha1Abc)), StoreError);
  EXPECT_THROW(store.Find(Hash(kSha1Empty)), StoreError);
}

}  // namespace
}  // namespace brisvane::reputation
