// The follow session driven as the window and qorn-cli drive it, over a log in
// a temporary folder that the test appends to.
#include "commands/follow_session.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "commands/program_folder.h"
#include "parse/log_time.h"
#include "support/temp_dir.h"

namespace qorn {
namespace {

void Append(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
}

// A DoT line of the character's at 17:MM:SS on 4 Dec 2026.
std::string Hit(const char* time, const char* mob, int damage) {
  return std::string("[Fri Dec 04 17:") + time + " 2026] " + mob + " has taken " +
         std::to_string(damage) + " damage from your Splurt.\r\n";
}

constexpr const char* kLine = "[Fri Dec 04 17:00:00 2026] A gnoll has taken 100 damage.\r\n";

// The cells the CLI prints of a step's fights: changed lines, or "number:mob"
// for a fight that only has another number.
std::vector<std::string> Handed(const FollowStep& step) {
  std::vector<std::string> out;
  for (const FollowedFight& f : step.Fights) {
    const std::vector<std::string> cells = f.Line.Cells();
    out.push_back(f.LineChanged ? cells[0] + " " + cells[1] + " " + cells[4]
                                : std::to_string(f.Line.EventNum) + ":" + cells[0]);
  }
  return out;
}

// Another command storing in the program folder: it holds the working file's lock.
class OtherCommandStoring {
 public:
  explicit OtherCommandStoring(const std::string& folder)
      : fd_(::open(InProgramFolder(folder, kCompactionFile).c_str(), O_RDWR | O_CREAT | O_CLOEXEC,
                   0644)) {
    EXPECT_GE(fd_, 0);
    EXPECT_EQ(::flock(fd_, LOCK_EX | LOCK_NB), 0);
  }
  ~OtherCommandStoring() { ::close(fd_); }
  OtherCommandStoring(const OtherCommandStoring&) = delete;
  OtherCommandStoring& operator=(const OtherCommandStoring&) = delete;

 private:
  int fd_;
};

class FollowSessionTest : public ::testing::Test {
 protected:
  FollowStep Step() {
    NullProgress none;
    return session_.Step({none, none});
  }
  // Every fight's mob and damage, as ForEachFight hands them out.
  std::vector<std::string> All() {
    std::vector<std::string> out;
    session_.ForEachFight([&out](const OverviewRow& row) {
      out.push_back(row.Mob + " " + std::to_string(row.Total));
    });
    return out;
  }
  // The first step: the Get Log of the whole log.
  void Start(const std::string& log) {
    std::ofstream(log_, std::ios::binary) << log;
    const FollowStep first = Step();
    ASSERT_TRUE(first.Ran && first.AllAnew) << (first.Failure ? first.Failure->Message : "");
    All();
  }

  test::TempDir dir_;
  std::string folder_ = dir_.path().string();
  std::string log_ = dir_.File("log.txt");
  FollowSession session_{folder_, log_, "Soandso", std::nullopt, {.FirstTimer = 18}};
};

TEST_F(FollowSessionTest, HandsOutTheFightsThatChangedAndTheWholeListWhenOneIsGone) {
  // Two gnoll fights 30 s apart and a rat's.
  Start(Hit("00:00", "A gnoll", 100) + Hit("00:30", "A gnoll", 50) + Hit("05:00", "A rat", 10));
  EXPECT_EQ(Step().Change, LogChange::None);

  struct Case {
    const char* what;
    std::string appended;
    std::vector<std::string> handed;  // when not all anew
    bool gone;
    std::vector<std::string> all;  // after the step
  };
  const Case cases[] = {
      {"the rat's fight grows",
       Hit("05:05", "A rat", 20),
       {"A rat 30 12/4/2026 5:05:00 PM"},
       false,
       {"A gnoll 100", "A gnoll 50", "A rat 30"}},
      // A bat sorts first: every other fight has another number, same line.
      {"a bat's fight begins",
       Hit("10:00", "A bat", 70),
       {"A bat 70 12/4/2026 5:10:00 PM", "2:A gnoll", "3:A gnoll", "4:A rat"},
       false,
       {"A bat 70", "A gnoll 100", "A gnoll 50", "A rat 30"}},
      // A line that came late fills the gap between the gnoll's fights.
      {"two fights become one",
       Hit("00:15", "A gnoll", 1),
       {},
       true,
       {"A bat 70", "A gnoll 151", "A rat 30"}},
      // The mob's other spelling is the same mob: its fight grows.
      {"another spelling",
       Hit("10:02", "a bat", 5),
       {"A bat 75 12/4/2026 5:10:00 PM"},
       false,
       {"A bat 75", "A gnoll 151", "A rat 30"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Append(log_, c.appended);
    const FollowStep step = Step();
    ASSERT_FALSE(step.Failure) << step.Failure->Message;
    EXPECT_EQ(step.Change, LogChange::Grown);
    EXPECT_TRUE(step.Ran);
    EXPECT_EQ(step.FightsGone, c.gone);
    EXPECT_EQ(step.AllAnew, c.gone);
    EXPECT_EQ(Handed(step), c.handed);
    if (step.AllAnew) {
      EXPECT_EQ(All(), c.all);
    }
    EXPECT_TRUE(step.LastLine.has_value());
    EXPECT_EQ(Step().Change, LogChange::None);
  }
  // What the window's list or the CLI's output holds now is what the store holds.
  EXPECT_EQ(All(), cases[3].all);
}

TEST_F(FollowSessionTest, AnotherFileUnderTheNameIsReadAnew) {
  Start(Hit("00:00", "A gnoll", 100) + Hit("00:06", "A gnoll", 100));
  const std::string other = dir_.Write("other.txt", Hit("30:00", "A bat", 70));
  std::filesystem::rename(other, log_);
  FollowStep step = Step();
  EXPECT_EQ(step.Change, LogChange::Replaced);
  EXPECT_TRUE(step.Ran && step.AllAnew);
  EXPECT_TRUE(step.Fights.empty());
  EXPECT_EQ(All(), std::vector<std::string>{"A bat 70"});
  // Shorter is another file too; what follows it is compared with it.
  std::ofstream(log_, std::ios::binary) << Hit("40:00", "A rat", 5);
  step = Step();
  EXPECT_EQ(step.Change, LogChange::Replaced);
  EXPECT_EQ(All(), std::vector<std::string>{"A rat 5"});
  Append(log_, Hit("40:05", "A rat", 5));
  step = Step();
  EXPECT_FALSE(step.AllAnew);
  EXPECT_EQ(Handed(step), std::vector<std::string>{"A rat 10 12/4/2026 5:40:00 PM"});
}

TEST_F(FollowSessionTest, ALogThatIsGoneIsSaidOnceAndReadWhenItIsBack) {
  Start(Hit("00:00", "A gnoll", 100));
  std::filesystem::remove(log_);
  const std::string gone = "The log " + log_ + " is gone; waiting for the game to write it again.";
  FollowStep step = Step();
  EXPECT_EQ(step.Waiting, gone);
  EXPECT_FALSE(step.Ran || step.Failure);
  EXPECT_FALSE(Step().Waiting);  // said once
  std::filesystem::create_directory(log_);
  EXPECT_EQ(Step().Waiting,
            "The log " + log_ + " is a folder now; waiting for the log to be a file again.");
  std::filesystem::remove(log_);
  EXPECT_EQ(Step().Waiting, gone);
  // Back, another file: the wait ends and the log is read anew.
  std::ofstream(log_, std::ios::binary) << Hit("10:00", "A bat", 70);
  step = Step();
  EXPECT_EQ(step.Waiting, std::string());
  EXPECT_TRUE(step.Ran && step.AllAnew);
  EXPECT_EQ(All(), std::vector<std::string>{"A bat 70"});
  EXPECT_FALSE(Step().Waiting);

  // A name that leads nowhere readable stops following, the stored fights kept.
  std::filesystem::remove(log_);
  std::filesystem::create_symlink(log_, log_);
  step = Step();
  ASSERT_TRUE(step.Failure);
  EXPECT_EQ(step.Failure->Message.rfind("Cannot read the log file " + log_ + ": ", 0), 0u)
      << step.Failure->Message;
  EXPECT_TRUE(step.Failure->StoredDataKept);
}

TEST_F(FollowSessionTest, AnotherCommandStoringIsSaidOnceAndTheLinesAreReadAtTheNextStep) {
  Start(Hit("00:00", "A gnoll", 100));
  Append(log_, Hit("00:06", "A gnoll", 100));
  {
    const OtherCommandStoring other(folder_);
    FollowStep step = Step();
    ASSERT_TRUE(step.Busy);
    EXPECT_NE(step.Busy->find("right now"), std::string::npos) << *step.Busy;
    EXPECT_NE(step.Busy->find("the next look at the log tries again"), std::string::npos);
    EXPECT_FALSE(step.Ran || step.Failure);
    step = Step();
    EXPECT_FALSE(step.Busy);  // said once
    EXPECT_FALSE(step.Ran);
  }
  const FollowStep step = Step();
  EXPECT_EQ(step.Busy, std::string());
  EXPECT_TRUE(step.Ran);
  EXPECT_EQ(Handed(step), std::vector<std::string>{"A gnoll 200 12/4/2026 5:00:00 PM"});
}

TEST_F(FollowSessionTest, TheFirstGetLogTriesAgainWhileAnotherCommandStores) {
  std::ofstream(log_, std::ios::binary) << Hit("00:00", "A gnoll", 100);
  {
    const OtherCommandStoring other(folder_);
    const FollowStep step = Step();
    EXPECT_TRUE(step.Busy && !step.Ran);
  }
  const FollowStep step = Step();
  EXPECT_TRUE(step.Ran && step.AllAnew);
  EXPECT_EQ(All(), std::vector<std::string>{"A gnoll 100"});
}

TEST(FollowSession, AfterAGetLogComparesWithTheStoredFights) {
  // The window's way: its own Get Log read the log, the session goes on from there.
  test::TempDir dir;
  const std::string log = dir.Write("log.txt", Hit("00:00", "A gnoll", 100));
  NullProgress none;
  const CommandOutcome read = RunGetLog(dir.path().string(), log, "Soandso", 18, {none, none});
  ASSERT_FALSE(read.StoredKept);
  EXPECT_EQ(FormatGeneralDate(*LastLineRead(log, read.Log)), "12/4/2026 5:00:00 PM");
  FollowSession session(dir.path().string(), log, "Soandso", read.Log);
  EXPECT_EQ(session.Step({none, none}).Change, LogChange::None);
  Append(log, Hit("00:04", "A gnoll", 5) + Hit("01:00", "A bat", 1));
  const FollowStep step = session.Step({none, none});
  EXPECT_EQ(Handed(step), (std::vector<std::string>{"A bat 1 12/4/2026 5:01:00 PM",
                                                    "A gnoll 105 12/4/2026 5:00:00 PM"}));
  EXPECT_EQ(FormatGeneralDate(*step.LastLine), "12/4/2026 5:01:00 PM");
  // A printout of new and changed lines does without the fights only renumbered.
  FollowSession printing(dir.path().string(), log, "Soandso", session.Mark(),
                         {.FirstTimer = std::nullopt, .Renumbered = false});
  Append(log, Hit("01:05", "A bat", 1) + Hit("03:00", "A ant", 2));
  EXPECT_EQ(
      Handed(printing.Step({none, none})),
      (std::vector<std::string>{"A ant 2 12/4/2026 5:03:00 PM", "A bat 2 12/4/2026 5:01:00 PM"}));
}

// The Get Log of a step reads the file its look saw, as far as the look saw
// whole lines: a line the game is still writing when the Get Log begins, or
// another file put under the name, waits for the next step.
TEST_F(FollowSessionTest, AStepReadsWhatItsLookSaw) {
  Start(Hit("00:00", "A gnoll", 100));
  const std::string db = InProgramFolder(folder_, kDatabaseFile);
  auto inode = [&db] {
    struct stat st {};
    return ::stat(db.c_str(), &st) == 0 ? st.st_ino : 0;
  };
  const std::string line = Hit("00:09", "A gnoll", 7);
  struct Case {
    const char* what;
    std::function<void()> meanwhile;  // between the look and the Get Log
    std::function<void()> after;      // before the next step
    std::vector<std::string> read;    // the fights stored by the step
    std::vector<std::string> next;    // and by the next one
    bool inPlace;                     // the next reads only appended lines
  };
  const Case cases[] = {
      {"a line half written",
       [&] { Append(log_, line.substr(0, 40)); },
       [&] { Append(log_, line.substr(40)); },
       {"A gnoll 105"},
       {"A gnoll 112"},
       true},
      {"another file under the name",
       [&] {
         std::ofstream(log_ + ".new", std::ios::binary) << Hit("00:00", "A rat", 1);
         std::filesystem::rename(log_ + ".new", log_);
       },
       [] {},
       {"A gnoll 117"},
       {"A rat 1"},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Append(log_, Hit("00:05", "A gnoll", 5));
    FollowStep step = session_.Look();
    ASSERT_EQ(step.Change, LogChange::Grown);
    c.meanwhile();
    NullProgress none;
    session_.Read(step, {none, none});
    ASSERT_TRUE(step.Ran);
    EXPECT_EQ(All(), c.read);
    const ino_t stored = inode();
    c.after();
    EXPECT_TRUE(Step().Ran);
    EXPECT_EQ(All(), c.next);
    // Appended lines are stored in place; a whole Get Log writes a new file.
    EXPECT_EQ(inode() == stored, c.inPlace);
  }
}

TEST(FollowSession, WaitsForTheEndOfALine) {
  test::TempDir dir;
  const std::string path = dir.Write("log.txt", kLine);
  NullProgress none;
  FollowSession session(dir.path().string(), path, "Soandso",
                        RunGetLog(dir.path().string(), path, "Soandso", 18, {none, none}).Log);
  EXPECT_EQ(session.Look().Change, LogChange::None);
  // A line the game has not ended yet waits; its end (CR, or LF) lets it through.
  Append(path, "[Fri Dec 04 17:00:06 2026] A gnoll has ta");
  EXPECT_EQ(session.Look().Change, LogChange::None);
  Append(path, "ken 100 damage.\r");
  EXPECT_EQ(session.Look().Change, LogChange::Grown);
  // Replaced with nothing in it yet: a Get Log of an empty log.
  std::filesystem::rename(dir.Write("empty.txt", ""), path);
  EXPECT_EQ(session.Look().Change, LogChange::Replaced);
}

TEST(LastLineTime, IsTheStampOfTheLastLineThatHasOne) {
  test::TempDir dir;
  const std::string log = std::string("[Fri Dec 04 17:00:00 2026] One.\r\n") +
                          "[Fri Dec 04 17:05:09 2026] Two.\r\n" + "no stamp here\r\n";
  const std::string path = dir.Write("log.txt", log + "[Fri Dec 04 18:00:00 2026] Thr");
  const auto when = LastLineTime(LogFile(path), static_cast<long long>(log.size()));
  ASSERT_TRUE(when);
  EXPECT_EQ(FormatGeneralDate(*when), "12/4/2026 5:05:09 PM");
  EXPECT_FALSE(LastLineTime(LogFile(path), 0));

  // Only the last 64 KiB are read, and a line cut at the tail's head is not a line.
  std::string big = "[Fri Dec 04 17:00:00 2026] First.\n" + std::string(70 * 1024, 'x') + "\n";
  const std::string bigPath = dir.Write("big.txt", big);
  EXPECT_FALSE(LastLineTime(LogFile(bigPath), static_cast<long long>(big.size())));
}

}  // namespace
}  // namespace qorn
