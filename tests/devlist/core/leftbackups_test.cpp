// Backups of interrupted saves are never silent in Tessaro: opening the list names them and says
// what they hold; a save keeps them and says so.
#include "listdocument.h"
#include "safesave.h"
#include "windowtext.h"

#include "chipfiles.h"
#include "scripted_chooser.h"
#include "scripted_prompt.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace fs = std::filesystem;

namespace {

// The temporary folder the program sees, for as long as this lives.
class TemporaryFolderAt {
public:
    explicit TemporaryFolderAt(const fs::path& p) { Set(p.string().c_str()); }
    ~TemporaryFolderAt() { Set(nullptr); }

private:
    static void Set(const char* value)
    {
#ifdef _WIN32
        ::_putenv_s("TMP", value ? value : "");
#else
        if (value) ::setenv("TMPDIR", value, 1);
        else ::unsetenv("TMPDIR");
#endif
    }
};

bool Names(const std::string& text, const fs::path& p)
{
    const std::u8string name = p.u8string();
    return text.find(std::string(name.begin(), name.end())) != std::string::npos;
}

}  // namespace

TEST(LeftBackups, OpeningAndSavingAListNameTheBackupsOfInterruptedSaves)
{
    TempDir dir, tmpFolder;
    const TemporaryFolderAt tmpSet(tmpFolder.Path());
    const fs::path list = dir / "list.chip";
    WriteChip(list, ThreeDevices());
    const fs::path beside = dir / BackupNameFor("list.chip", 0x0a1b2c3d);
    const fs::path inTemporaryFolder = tmpFolder / BackupNameFor("list.chip", 0x11112222);
    const fs::path anotherFiles = dir / BackupNameFor("other.chip", 0x0a1b2c3d);
    for (const fs::path& b : {beside, inTemporaryFolder, anotherFiles}) WriteChip(b, ThreeDevices());

    ScriptedPrompt prompt;
    ScriptedChooser open, save;
    DeviceListDocument doc(prompt, open, save);
    open.Queue(list);
    doc.Open();
    ASSERT_EQ(prompt.Count(), 1u);
    const std::string said = prompt.LastText();
    EXPECT_TRUE(Names(said, beside) && Names(said, inTemporaryFolder)) << said;
    EXPECT_FALSE(Names(said, anotherFiles)) << said;
    EXPECT_NE(said.find("那次保存之前的器件列表"), std::string::npos) << said;
    EXPECT_EQ(doc.List().Count(), 3u);

    save.Queue(list);
    ASSERT_TRUE(doc.Save());
    ASSERT_EQ(prompt.Count(), 2u);
    EXPECT_EQ(prompt.LastText(), BackupsAfterSaveText(LeftBackupsOf(list), {}));
    EXPECT_TRUE(Names(prompt.LastText(), beside) && Names(prompt.LastText(), inTemporaryFolder)) << prompt.LastText();
    EXPECT_TRUE(fs::exists(beside) && fs::exists(inTemporaryFolder));

    // Without backups, nothing is said.
    fs::remove(beside);
    fs::remove(inTemporaryFolder);
    open.Queue(list);
    doc.Open();
    EXPECT_EQ(prompt.Count(), 2u) << prompt.LastText();
}
