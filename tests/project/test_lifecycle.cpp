#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "core/app_jobs.h"
#include "core/lifecycle/app_lifecycle.h"
#include "persist/project/project_file.h"
#include "platform/sys_file.h"
#include "platform/sys_thread.h"
#include "platform/sys_time.h"
#include "project_fixture.h"
#include "symbols/symbol_tree.h"

namespace {

void WaitFor(const JOB_BUSY& busy) {
  const uint32_t start = SYS_GetTickMs();
  while (busy.load() != 0 && SYS_GetTickMs() - start < 20000) SYS_Sleep(1);
}

// Moves the file's last-write time by `ns` nanoseconds.
void Touch(const std::string& path, long ns) {
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  struct timespec times[2] = {st.st_atim, st.st_mtim};
  times[1].tv_nsec = (times[1].tv_nsec + ns) % 1000000000L;
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

class Lifecycle : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearProject();
    elf_ = (dir_.path / "fw" / "demo.elf").string();
    fs::create_directories(dir_.path / "fw");
    fs::copy_file(VISTRO_SOURCE_DIR "/firmware/demo/demo.elf", elf_);
  }
  void TearDown() override {
    APP_SetModified(0);
    APP_CloseProject();
    ClearProject();
  }

  // A saved project "p/p.vistro" with one selected symbol, modified afterwards.
  std::string SavedModifiedProject() {
    APP_NewProject();
    PROJECT_CONFIG c;
    APP_GetConfiguration(c);
    SYS_CopyText(c.ElfFile, sizeof c.ElfFile, elf_.c_str());
    SYS_CopyText(c.TargetDevice, sizeof c.TargetDevice, "STM32F407VG");
    APP_SetConfiguration(c);
    AddSymbol("g_flag", 0x20000101, TYPEID_BOOL, "_Bool", 1);
    const std::string path = (dir_.path / "p" / "p.vistro").string();
    EXPECT_EQ(PROJECT_SaveTo(path.c_str()), 0);
    APP_SetModified(3);
    return path;
  }

  ScratchDir dir_;
  MessageLog log_;
  std::string elf_;
};

TEST_F(Lifecycle, CloseAsksAndKeepsChangesUnlessSavedOrDropped) {
  const std::string path = SavedModifiedProject();
  const std::string saved = ReadText(path);
  // Cancel: nothing closes, a following open is stopped.
  MessageLog::answer = -1;
  EXPECT_EQ(APP_LoadProject(path.c_str()), -1);
  EXPECT_TRUE(APP_IsProjectOpen());
  EXPECT_EQ(APP_NewProject(), -1);
  EXPECT_EQ(APP_GetModified(), 3);
  EXPECT_NE(log_.text.find("Ther are unsaved changes that will be gone.\nDo you want to save?"),
            std::string::npos);
  // "Yes" whose save fails (the temporary file cannot be made): the close is cancelled.
  fs::create_directories(path + ".saving");
  MessageLog::answer = 0;
  EXPECT_EQ(APP_CloseProject(), -1);
  EXPECT_TRUE(APP_IsProjectOpen());
  EXPECT_EQ(APP_GetModified(), 3);
  EXPECT_EQ(ReadText(path), saved);
  fs::remove(path + ".saving");
  // "Yes" that saves: closed, and the file holds the project.
  EXPECT_EQ(APP_CloseProject(), 0);
  EXPECT_FALSE(APP_IsProjectOpen());
  EXPECT_EQ(MAIN_pActiveSymbols, nullptr);
  EXPECT_EQ(PROJECT_GetModuleCount(), 0u);
}

TEST_F(Lifecycle, FailedLoadLeavesNoProject) {
  const std::string path = SavedModifiedProject();
  APP_SetModified(0);
  WriteText(dir_.path / "bad.vistro", "<VistroProject>");
  EXPECT_EQ(APP_LoadProject((dir_.path / "bad.vistro").c_str()), -1);
  EXPECT_NE(log_.text.find("Failed to load project"), std::string::npos);
  EXPECT_FALSE(APP_IsProjectOpen());
  EXPECT_EQ(MAIN_pActiveSymbols, nullptr);
  char now[PROJECT_PATH_SIZE];
  APP_GetProjectPath(now, sizeof now);
  EXPECT_STREQ(now, "");
  // The good one opens, unmodified, with its title.
  ASSERT_EQ(APP_LoadProject(path.c_str()), 0);
  EXPECT_EQ(APP_GetModified(), 0);
  char title[400];
  APP_FormatTitle(title, sizeof title);
  EXPECT_EQ(std::string(title), std::string(SYS_FullAppName()) + " - [" + path + "]");
}

TEST_F(Lifecycle, ReparseMatchKeepsOptionsAndMovesIdentitiesClearEmptiesTheList) {
  APP_NewProject();
  ASSERT_EQ(APP_ParseElf(elf_.c_str(), false), 0);
  PROJECT_CONFIG c;
  APP_GetConfiguration(c);
  SYS_CopyText(c.ElfFile, sizeof c.ElfFile, elf_.c_str());
  APP_SetConfiguration(c);
  auto* speed = const_cast<ACTIVE_SYMBOL*>(SYMTREE_FindPath(APP_GetSymbolTree(), "g_motor.speed_rpm"));
  auto* id = const_cast<ACTIVE_SYMBOL*>(SYMTREE_FindPath(APP_GetSymbolTree(), "g_device.id"));
  ASSERT_NE(speed, nullptr);
  ASSERT_NE(id, nullptr);
  const uint32_t id_address = id->Address;
  APP_AddActiveSymbol(speed);
  APP_AddActiveSymbol(id);
  ACTIVE_SYMBOL* v = AddSymbol("v_sum", 0, TYPEID_I32, "int", 4);
  v->Virtual = 1;
  speed->MinWrite = -5;
  speed->MaxWrite = 2500;
  id->UseQFormat = 1;
  id->QFormatIntBits = 20;
  id->QFormatFracBits = 12;
  id->ValueType = TYPEID_FLOAT;
  // The board still names the symbol at an address the new image no longer has.
  id->Address = 0x1234;
  std::vector<MODULE_SETTINGS> modules(1, *MODULE_DefaultSettings(MODULE_TYPE_CHECK_BOX));
  modules[0].As<CHECK_BOX_SETTINGS>()->Symbol = Id("id", 0x1234);
  PROJECT_AdoptModules(std::move(modules));

  // Unchanged file: no question. A change of one millisecond counts.
  APP_CheckElfNow();
  EXPECT_EQ(log_.text, "");
  Touch(elf_, 1000000);
  MessageLog::answer = 0;  // "Reparse & Match symbols"
  APP_CheckElfNow();
  EXPECT_NE(log_.text.find("was modified.\nShould Vistro reparse"), std::string::npos);
  ASSERT_NE(MAIN_pActiveSymbols, nullptr);
  const ACTIVE_SYMBOL* s0 = MAIN_pActiveSymbols->pSymbol;
  const ACTIVE_SYMBOL* s1 = MAIN_pActiveSymbols->pNext->pSymbol;
  EXPECT_STREQ(s0->Name, "speed_rpm");
  EXPECT_EQ(s0->MinWrite, -5);
  EXPECT_EQ(s0->MaxWrite, 2500);
  EXPECT_EQ(s1->QFormatIntBits, 20);
  EXPECT_EQ(s1->QFormatFracBits, 12);
  EXPECT_EQ(s1->ValueType, static_cast<uint32_t>(TYPEID_FLOAT));
  EXPECT_EQ(s1->Address, id_address);
  EXPECT_EQ(MAIN_pActiveSymbols->pNext->pNext->pSymbol, v);  // virtual symbols stay
  EXPECT_EQ(PROJECT_GetModules()[0].As<CHECK_BOX_SETTINGS>()->Symbol->Address, id_address);

  // "Reparse & Clear symbols".
  log_.text.clear();
  Touch(elf_, 1000000);
  MessageLog::answer = 1;
  APP_CheckElfNow();
  EXPECT_NE(log_.text.find("was modified"), std::string::npos);
  EXPECT_EQ(MAIN_pActiveSymbols, nullptr);

  // A deleted file is reported once until it is back.
  log_.text.clear();
  fs::remove(elf_);
  APP_CheckElfNow();
  APP_CheckElfNow();
  EXPECT_EQ(log_.text, std::string("The elf file at\n") + elf_ +
                           "\nwas deleted or moved to a different location.\n\n");
}

TEST_F(Lifecycle, StartWithOpenPrjAndExitKeepsRunningOnCancel) {
  const std::string path = SavedModifiedProject();
  APP_SetModified(0);
  APP_CloseProject();
  ClearProject();
  ASSERT_EQ(JOB_Reset(), 0);
  APP_RegisterProjectJobs();
  for (int form = 0; form < 2; ++form) {
    SCOPED_TRACE(form);
    std::string joined = "-openprj" + path;
    std::string option = "-openprj";
    std::string other = "--ignored";
    char* joined_argv[] = {const_cast<char*>("vistro"), other.data(), joined.data()};
    char* split_argv[] = {const_cast<char*>("vistro"), option.data(), const_cast<char*>(path.c_str())};
    JOB_BUSY busy{0};
    ASSERT_EQ(APP_Init(3, form == 0 ? joined_argv : split_argv, nullptr, nullptr, &busy), 0);
    WaitFor(busy);
    EXPECT_TRUE(APP_IsProjectOpen());
    EXPECT_TRUE(APP_HasSymbolDatabase());  // the ELF beside the project was parsed
    ASSERT_NE(MAIN_pActiveSymbols, nullptr);
    EXPECT_STREQ(MAIN_pActiveSymbols->pSymbol->Name, "g_flag");

    // Exit with unsaved changes: cancel keeps the program running, "No" lets it end.
    APP_MarkModified();
    MessageLog::answer = -1;
    APP_SetExitState(APP_EXIT_PENDING);
    ASSERT_EQ(APP_Exit(), 0);
    while (APP_GetExitState() == APP_EXIT_PENDING) SYS_Sleep(1);
    EXPECT_EQ(APP_GetExitState(), APP_EXIT_NONE);
    EXPECT_TRUE(APP_IsProjectOpen());
    MessageLog::answer = 1;
    APP_SetExitState(APP_EXIT_PENDING);
    ASSERT_EQ(APP_Exit(), 0);
    while (APP_GetExitState() == APP_EXIT_PENDING) SYS_Sleep(1);
    EXPECT_EQ(APP_GetExitState(), APP_EXIT_GO);
    EXPECT_FALSE(APP_IsProjectOpen());
  }
  EXPECT_EQ(JOB_StopWorker(10000), 0);
  EXPECT_EQ(JOB_Reset(), 0);
}

}  // namespace
