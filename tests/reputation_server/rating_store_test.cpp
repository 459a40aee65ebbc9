// One contract for both stores: SQLite always, PostgreSQL when the test command started a server.
#include "rating_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "test_support.h"

extern char** environ;

namespace brisvane::reputation {
namespace {

using support::Hash;
using support::HashNumber;
using support::kSha1Abc;
using support::kSha1Empty;
using support::ReadFile;
using support::ScratchStore;
using support::TempDir;
using support::WriteFile;

class StoreContract : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (scratch_.url().empty()) GTEST_SKIP() << "no PostgreSQL server: BRISVANE_TEST_PG is not set";
  }
  std::unique_ptr<RatingStore> Open() const { return OpenRatingStore(scratch_.url()); }
  ScratchStore scratch_{GetParam()};
};

TEST_P(StoreContract, ANewStoreAnswersNotFoundUntilRatedThenKeepsTheRating) {
  {
    const auto store = Open();
    EXPECT_TRUE(store->created());
    EXPECT_EQ(store->Count(), 0u);
    EXPECT_EQ(store->Find(Hash(kSha1Abc)), Rating::kNotFound);
    store->Store(Hash(kSha1Abc), Rating::kFake);
    EXPECT_EQ(store->Find(Hash("A9993E364706816ABA3E25717850C26C9CD0D89D")), Rating::kFake);
    // In one batch, the last rating of a hash wins.
    store->Store(std::vector<RatedHash>{{Hash(kSha1Abc), Rating::kBad}, {Hash(kSha1Empty), Rating::kGood},
                                        {Hash(kSha1Abc), Rating::kVerified}});
    // A batch larger than one round of copying.
    std::vector<RatedHash> many;
    for (unsigned i = 0; i < 5000; ++i) many.push_back({HashNumber(i), static_cast<Rating>(i * 7 % 6)});
    store->Store(many);
    EXPECT_EQ(store->Count(), 5002u);
    for (unsigned i = 0; i < 5000; i += 499) EXPECT_EQ(store->Find(HashNumber(i)), static_cast<Rating>(i * 7 % 6));
  }
  const auto reopened = Open();
  EXPECT_FALSE(reopened->created());
  EXPECT_EQ(reopened->Find(Hash(kSha1Abc)), Rating::kVerified);
  EXPECT_EQ(reopened->Find(Hash(kSha1Empty)), Rating::kGood);
}

TEST_P(StoreContract, ABatchIsWrittenWholeOrNotAtAll) {
  const auto store = Open();
  store->Store(HashNumber(1), Rating::kGood);
  scratch_.RefuseHash(HashNumber(3));
  const std::vector<RatedHash> batch = {
      {HashNumber(1), Rating::kFake}, {HashNumber(2), Rating::kBad}, {HashNumber(3), Rating::kNone}};
  try {
    store->Store(batch);
    ADD_FAILURE() << "the failing row went unnoticed";
  } catch (const StoreError& error) {
    EXPECT_NE(std::string(error.what()).find("refused"), std::string::npos) << error.what();
  }
  EXPECT_EQ(store->Find(HashNumber(1)), Rating::kGood);
  EXPECT_EQ(store->Find(HashNumber(2)), Rating::kNotFound);
  scratch_.AllowAll();
  store->Store(batch);
  EXPECT_EQ(store->Find(HashNumber(3)), Rating::kNone);
}

TEST_P(StoreContract, ReadersSeeWritesOfOtherProgramsAndAnswerRightWhileAWriterWorks) {
  const auto server = Open();
  constexpr unsigned kKnown = 300;
  std::vector<RatedHash> known;
  for (unsigned i = 0; i < kKnown; ++i) known.push_back({HashNumber(i), static_cast<Rating>(i % 6)});
  server->Store(known);
  auto reader = server->OpenReader();
  EXPECT_EQ(reader->Find(Hash(kSha1Abc)), Rating::kNotFound);
  Open()->Store(Hash(kSha1Abc), Rating::kGood);
  const auto deadline = std::chrono::steady_clock::now() + 3 * kReaderFreshness;
  while (reader->Find(Hash(kSha1Abc)) != Rating::kGood && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(reader->Find(Hash(kSha1Abc)), Rating::kGood);

  std::atomic<unsigned> wrong{0};
  std::atomic<bool> writing{true};
  std::thread writer([&] {
    const auto importer = Open();
    for (unsigned batch = 0; batch < 10; ++batch) {
      std::vector<RatedHash> more;
      for (unsigned i = 0; i < 100; ++i) more.push_back({HashNumber(100000 + batch * 100 + i), Rating::kBad});
      importer->Store(more);
    }
    writing = false;
  });
  std::vector<std::thread> readers;
  for (unsigned t = 0; t < 4; ++t) {
    readers.emplace_back([&, t] {
      const auto own = server->OpenReader();
      for (unsigned round = 0; round < 2 || (writing && round < 200); ++round) {
        for (unsigned i = t; i < kKnown; i += 4) {
          if (own->Find(HashNumber(i)) != static_cast<Rating>(i % 6)) ++wrong;
        }
      }
    });
  }
  writer.join();
  for (auto& thread : readers) thread.join();
  EXPECT_EQ(wrong, 0u);
  EXPECT_EQ(server->Count(), kKnown + 1 + 1000u);
}

TEST_P(StoreContract, ALostTableIsAnErrorNotAnAnswer) {
  const auto store = Open();
  store->Store(Hash(kSha1Abc), Rating::kGood);
  auto reader = store->OpenReader();
  EXPECT_NO_THROW(reader->Ping());
  scratch_.Execute("DROP TABLE ratings");
  EXPECT_THROW(reader->Find(Hash(kSha1Abc)), StoreError);
  EXPECT_THROW(reader->Find(Hash(kSha1Empty)), StoreError);
  EXPECT_THROW(reader->Ping(), StoreError);
}

TEST_P(StoreContract, AnotherProgramsTableIsRefusedUntouched) {
  scratch_.Execute("CREATE TABLE ratings (name TEXT); INSERT INTO ratings VALUES ('kept')");
  try {
    Open();
    ADD_FAILURE() << "another program's database was opened";
  } catch (const StoreError& error) {
    EXPECT_NE(std::string(error.what()).find("not a ratings"), std::string::npos) << error.what();
  }
  scratch_.Execute("DELETE FROM ratings WHERE name = 'kept'");  // fails if the table was changed
}

// What a killed import leaves: the ratings as they were, whole. The import is killed while it writes,
// which SQLite does long enough with half a million rows.
TEST_P(StoreContract, AKilledImportLeavesTheOldRatingsWhole) {
  const auto store = Open();
  store->Store(HashNumber(1), Rating::kGood);
  const std::string csv = scratch_ / "big.csv";
  {
    std::string text;
    for (unsigned i = 0; i < (scratch_.postgres() ? 50000u : 500000u); ++i) text += ToHex(HashNumber(i)) + ",FAKE\n";
    WriteFile(csv, text);
  }
  // PostgreSQL: the import waits for this lock half-way through its transaction; SQLite: it is caught
  // when its write-ahead log starts to grow.
  std::unique_ptr<PGconn, decltype(&PQfinish)> holder(nullptr, PQfinish);
  if (scratch_.postgres()) {
    holder.reset(PQconnectdb(scratch_.url().c_str()));
    PQclear(PQexec(holder.get(), "BEGIN; LOCK TABLE ratings IN SHARE MODE"));
  }
  const std::string wal = scratch_ / "ratings.db-wal";
  const auto wal_size = [&] {
    std::error_code ec;
    const auto size = std::filesystem::file_size(wal, ec);
    return ec ? 0 : size;
  };
  const auto size_before = wal_size();
  std::vector<std::string> args = {REPUTATION_SERVER_EXE, "import", "--db", scratch_.url(), csv};
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);
  const auto writing = [&] {
    if (!scratch_.postgres()) return wal_size() > size_before;
    PGresult* result = PQexec(holder.get(),
                              "SELECT count(*) FROM pg_locks WHERE NOT granted AND relation = 'ratings'::regclass");
    const bool waiting = PQresultStatus(result) == PGRES_TUPLES_OK && std::string(PQgetvalue(result, 0, 0)) != "0";
    PQclear(result);
    return waiting;
  };
  int status = 0;
  bool ended = false;
  for (int i = 0; i < 30000 && !writing(); ++i) {
    if (waitpid(pid, &status, WNOHANG) == pid) {
      ended = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_FALSE(ended) << "the import ended before it could be killed";
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  holder.reset();
  // The server's own reopening rolls back what the dead process left.
  const auto reopened = Open();
  EXPECT_EQ(reopened->Find(HashNumber(1)), Rating::kGood);
  EXPECT_EQ(reopened->Find(HashNumber(2)), Rating::kNotFound);
  EXPECT_EQ(reopened->Count(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Stores, StoreContract, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& info) { return info.param; });

// SQLite's own: the file as other tools see it, and files that are no SQLite database at all.
TEST(SqliteStore, FileLayoutAsTheSqliteProgramSeesItAndForeignFilesLeftAlone) {
  if (std::system("command -v sqlite3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "the sqlite3 program is not installed";
  TempDir dir;
  const std::string path = dir / "ratings.db";
  OpenSqliteStore(path)->Store(std::vector<RatedHash>{{Hash(kSha1Abc), Rating::kBad}, {Hash(kSha1Empty), Rating::kGood}});
  const auto ask = [&](const std::string& sql) {
    FILE* pipe = popen(("sqlite3 -batch '" + path + "' \"" + sql + "\" 2>&1").c_str(), "r");
    std::string output;
    char buffer[4096];
    while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    pclose(pipe);
    return output;
  };
  EXPECT_EQ(ask("SELECT lower(hex(hash)), typeof(hash), rating FROM ratings ORDER BY 1"),
            std::string(kSha1Abc) + "|blob|4\n" + kSha1Empty + "|blob|1\n");
  EXPECT_EQ(ask("PRAGMA journal_mode"), "wal\n");
  EXPECT_NE(ask("INSERT INTO ratings VALUES (zeroblob(20), 6)").find("CHECK constraint"), std::string::npos);

  const std::string text_file = dir / "notes.txt";
  const std::string text = "hash,rating\nthis is not SQLite at all, just more than a header's worth of text\n";
  WriteFile(text_file, text);
  EXPECT_THROW(OpenSqliteStore(text_file), StoreError);
  EXPECT_EQ(ReadFile(text_file), text);
  EXPECT_THROW(OpenSqliteStore(dir / "no-such-folder/ratings.db"), StoreError);
}

}  // namespace
}  // namespace brisvane::reputation
