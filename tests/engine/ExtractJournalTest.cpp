#include "engine/ExtractJournal.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::wstring kTarget = L"D:\\Games\\Varlo 加速器";
const std::wstring kBackup = L"~vzbak00C0FFEE";

std::wstring Opening() {
    ExtractJournal journal;
    journal.target = kTarget;
    journal.backupFolder = kBackup;
    journal.createdLevels = {kTarget, L"D:\\Games"};
    return JournalOpeningText(journal);
}

TEST(ExtractJournal, WhatTheWriterWritesReadsBack) {
    const std::wstring text = Opening() + JournalDirectoryLine(L"res") + JournalFileLine(L"res\\route.dat") +
                              JournalMovedLine(MovedFile{1, L"vljiasu.exe"}) +
                              JournalMovedLine(MovedFile{2, L"res\\old.dat"}) + JournalFileLine(L"unins000.exe");
    const std::optional<ExtractJournal> journal = ParseExtractJournal(text);
    ASSERT_TRUE(journal.has_value());
    EXPECT_EQ(journal->target, kTarget);
    EXPECT_EQ(journal->backupFolder, kBackup);
    EXPECT_EQ(journal->createdLevels, (std::vector<std::wstring>{kTarget, L"D:\\Games"}));
    EXPECT_EQ(journal->createdDirectories, std::vector<std::wstring>{L"res"});
    EXPECT_EQ(journal->createdFiles, (std::vector<std::wstring>{L"res\\route.dat", L"unins000.exe"}));
    ASSERT_EQ(journal->movedFiles.size(), 2u);
    EXPECT_EQ(journal->movedFiles[1].number, 2u);
    EXPECT_EQ(journal->movedFiles[1].name, L"res\\old.dat");
    EXPECT_FALSE(journal->committed);

    const std::optional<ExtractJournal> committed = ParseExtractJournal(text + JournalCommitLine());
    ASSERT_TRUE(committed.has_value());
    EXPECT_TRUE(committed->committed);

    // The writer died inside a line: the step it announced was never taken.
    const std::wstring torn = JournalFileLine(L"zz\\last.txt");
    const std::optional<ExtractJournal> cut = ParseExtractJournal(text + torn.substr(0, torn.size() - 4));
    ASSERT_TRUE(cut.has_value());
    EXPECT_EQ(cut->createdFiles.size(), 2u);
    const std::optional<ExtractJournal> cutBeforeEnd = ParseExtractJournal(text + torn.substr(0, torn.size() - 1));
    ASSERT_TRUE(cutBeforeEnd.has_value());
    EXPECT_EQ(cutBeforeEnd->createdFiles.size(), 2u);
}

// A target the install made and replaced nothing in may be moved aside whole, beside
// itself, under a name that carries the backup folder's digits.
TEST(ExtractJournal, ADiscardedTargetReadsBack) {
    ExtractJournal made;
    made.target = kTarget;
    made.backupFolder = kBackup;
    made.createdLevels = {kTarget, L"D:\\Games"};
    EXPECT_TRUE(CanDiscardTarget(made));
    EXPECT_EQ(DiscardFolderPath(made), L"D:\\Games\\~vzdel00C0FFEE");
    const std::optional<ExtractJournal> journal =
        ParseExtractJournal(Opening() + JournalFileLine(L"a.txt") + JournalDiscardLine(made));
    ASSERT_TRUE(journal.has_value());
    EXPECT_TRUE(journal->discarded);
    EXPECT_EQ(journal->createdFiles, std::vector<std::wstring>{L"a.txt"});

    ExtractJournal earlier = made;
    earlier.createdLevels.clear();
    EXPECT_FALSE(CanDiscardTarget(earlier)) << "a folder that was there before";
    ExtractJournal replaced = made;
    replaced.movedFiles.push_back(MovedFile{1, L"a.txt"});
    EXPECT_FALSE(CanDiscardTarget(replaced)) << "an earlier file lies in its backup folder";
    ExtractJournal atRoot = made;
    atRoot.target = L"D:\\Varlo";
    atRoot.createdLevels = {L"D:\\Varlo"};
    EXPECT_EQ(DiscardFolderPath(atRoot), L"D:\\~vzdel00C0FFEE");
}

TEST(ExtractJournal, AnythingOddIsRefusedWhole) {
    const std::wstring head = L"varlo extract journal 1\r\nT " + kTarget + L"\r\nB " + kBackup + L"\r\n";
    struct Case {
        const char* why;
        std::wstring text;
    };
    const Case cases[] = {
        {"another format", L"varlo extract journal 2\r\nT " + kTarget + L"\r\nB " + kBackup + L"\r\n"},
        {"no backup folder line", L"varlo extract journal 1\r\nT " + kTarget + L"\r\n"},
        {"a relative target", L"varlo extract journal 1\r\nT Games\\Varlo\r\nB " + kBackup + L"\r\n"},
        {"a target with a parent reference",
         L"varlo extract journal 1\r\nT D:\\Games\\..\\Windows\r\nB " + kBackup + L"\r\n"},
        {"a drive as the target", L"varlo extract journal 1\r\nT D:\\\r\nB " + kBackup + L"\r\n"},
        {"a network target", L"varlo extract journal 1\r\nT \\\\server\\share\\x\r\nB " + kBackup + L"\r\n"},
        {"a device path target", L"varlo extract journal 1\r\nT \\\\?\\D:\\Games\r\nB " + kBackup + L"\r\n"},
        {"a backup folder of another name", L"varlo extract journal 1\r\nT " + kTarget + L"\r\nB ..\r\n"},
        {"a backup folder below another",
         L"varlo extract journal 1\r\nT " + kTarget + L"\r\nB x\\" + kBackup + L"\r\n"},
        {"a level that is not a parent", head + L"L D:\\Windows\r\n"},
        {"a level that merely starts like the target", head + L"L D:\\Gam\r\n"},
        {"a level after the first file", head + L"F a.txt\r\nL " + kTarget + L"\r\n"},
        {"a parent reference", head + L"F res\\..\\..\\x.dll\r\n"},
        {"a leading parent reference", head + L"F ..\\x.dll\r\n"},
        {"a current-directory component", head + L"D .\\res\r\n"},
        {"an absolute name", head + L"F C:\\Windows\\x.dll\r\n"},
        {"a rooted name", head + L"F \\Windows\\x.dll\r\n"},
        {"a forward slash", head + L"F res/x.dll\r\n"},
        {"an empty component", head + L"F res\\\\x.dll\r\n"},
        {"a stream", head + L"F x.dll:evil\r\n"},
        {"a device name", head + L"F res\\NUL.txt\r\n"},
        {"a name in the backup folder", head + L"F " + kBackup + L"\\1\r\n"},
        {"the backup folder in other case", head + L"D ~VZBAK00c0ffee\r\n"},
        {"a number with a leading zero", head + L"M 01 a.txt\r\n"},
        {"a number that is no number", head + L"M -1 a.txt\r\n"},
        {"a number too large", head + L"M 123456789 a.txt\r\n"},
        {"a repeated number", head + L"M 1 a.txt\r\nM 1 b.txt\r\n"},
        {"a repeated name", head + L"F a.txt\r\nM 1 A.TXT\r\n"},
        {"an unknown line", head + L"Q a.txt\r\n"},
        {"a discard of a target the install did not make", head + L"F a.txt\r\nX D:\\Games\\~vzdel00C0FFEE\r\n"},
        {"a discard after an earlier file was moved", Opening() + L"M 1 a.txt\r\nX D:\\Games\\~vzdel00C0FFEE\r\n"},
        {"a discard to another folder", Opening() + L"X D:\\Windows\r\n"},
        {"lines after the discard", Opening() + L"X D:\\Games\\~vzdel00C0FFEE\r\nF a.txt\r\n"},
        {"an empty line", head + L"\r\nF a.txt\r\n"},
        {"a line ended without its return", head + L"F a.txt\nF b.txt\r\n"},
        {"lines after the commit", head + L"COMMIT\r\nF a.txt\r\n"},
        {"a path too long", head + L"F " + std::wstring(250, L'a') + L"\r\n"},
    };
    ASSERT_TRUE(ParseExtractJournal(head + L"F a.txt\r\n").has_value()) << "the rows below differ from a good one";
    for (const Case& c : cases) {
        EXPECT_FALSE(ParseExtractJournal(c.text).has_value()) << c.why;
    }
}

TEST(ExtractJournal, NamesOfTheTransactionsOwnFiles) {
    EXPECT_EQ(MakeBackupFolderName(0x00C0FFEE), kBackup);
    EXPECT_TRUE(IsBackupFolderName(kBackup));
    EXPECT_FALSE(IsBackupFolderName(L"~vzbak00c0ffee"));
    EXPECT_FALSE(IsBackupFolderName(L"~vzbak00C0FFEE1"));
    EXPECT_TRUE(IsPlacerTemporaryName(L"~vz1A2B3C4D.tmp"));
    EXPECT_FALSE(IsPlacerTemporaryName(L"~vz1A2B3C4D.tmp.txt"));
    EXPECT_FALSE(IsPlacerTemporaryName(L"~vz1A2B3C4.tmp"));
    EXPECT_FALSE(IsPlacerTemporaryName(L"~vzZZZZZZZZ.tmp"));
}

// The steps after the extraction record what was there before; the record reads back as
// the writer wrote it, data with the record's own line ends and escapes included.
TEST(ExtractJournal, IntegrationLinesReadBack) {
    const std::wstring desktop = L"C:\\Users\\u\\Desktop\\Varlo加速器.lnk";
    const std::wstring menu = L"C:\\Users\\u\\Start Menu\\Varlo加速器";
    EarlierValue name{L"DisplayName", true, 1, L"Varlo加速器"};
    EarlierValue odd{L"UninstallString", true, 2, std::wstring(L"%ProgramFiles%\\x\r\n") + L'\0' + L"y 100%25"};
    EarlierValue empty{L"DisplayShortcut", true, 1, L""};
    EarlierValue absent{L"DisplayIcon", false, 1, L""};
    const std::wstring text = Opening() + JournalFileLine(L"setup.ini") + JournalMovedLine(MovedFile{1, L"local.cfg"}) +
                              IntegrationLinkLine(OutsideLink{desktop, 1}) + IntegrationFolderLine(menu) +
                              IntegrationLinkLine(OutsideLink{menu + L"\\启动Varlo加速器.lnk", 0}) +
                              IntegrationPinLine() + IntegrationUninstallLine(true) + IntegrationValueLine(name) +
                              IntegrationValueLine(odd) + IntegrationValueLine(empty) + IntegrationValueLine(absent) +
                              IntegrationTaskLine(EarlierTask::Saved);
    const std::optional<ExtractJournal> journal = ParseExtractJournal(text);
    ASSERT_TRUE(journal.has_value());
    const IntegrationRecord& record = journal->integration;
    ASSERT_EQ(record.links.size(), 2u);
    EXPECT_EQ(record.links[0].path, desktop);
    EXPECT_EQ(record.links[0].saved, 1u);
    EXPECT_EQ(record.links[1].saved, 0u);
    EXPECT_EQ(record.madeFolders, std::vector<std::wstring>{menu});
    EXPECT_TRUE(record.pinned);
    EXPECT_TRUE(record.uninstallRecorded);
    EXPECT_TRUE(record.keyExisted);
    ASSERT_EQ(record.values.size(), 4u);
    EXPECT_EQ(record.values[1].data, odd.data);
    EXPECT_EQ(record.values[1].type, 2u);
    EXPECT_TRUE(record.values[2].present);
    EXPECT_EQ(record.values[2].data, L"");
    EXPECT_FALSE(record.values[3].present);
    EXPECT_EQ(record.task, EarlierTask::Saved);
    // The settings files are the extraction's own lines: an update's are put back, not discarded.
    EXPECT_EQ(journal->movedFiles.size(), 1u);
    EXPECT_FALSE(CanDiscardTarget(*journal));

    const std::optional<ExtractJournal> fresh =
        ParseExtractJournal(Opening() + IntegrationUninstallLine(false) + IntegrationTaskLine(EarlierTask::Absent));
    ASSERT_TRUE(fresh.has_value());
    EXPECT_FALSE(fresh->integration.keyExisted);
    EXPECT_EQ(fresh->integration.task, EarlierTask::Absent);
    EXPECT_TRUE(CanDiscardTarget(*fresh));
}

TEST(ExtractJournal, OddIntegrationLinesAreRefusedWhole) {
    const std::wstring head = Opening();
    const std::wstring link = L"O 0 C:\\Users\\u\\Desktop\\Varlo加速器.lnk\r\n";
    struct Case {
        const char* why;
        std::wstring text;
    };
    const Case cases[] = {
        {"a shortcut that is no shortcut", head + L"O 0 C:\\Windows\\System32\\x.dll\r\n"},
        {"a relative shortcut", head + L"O 0 Desktop\\Varlo加速器.lnk\r\n"},
        {"a shortcut with a parent reference", head + L"O 0 C:\\Users\\..\\x.lnk\r\n"},
        {"a shortcut without its number", head + L"O C:\\x.lnk\r\n"},
        {"a number with a leading zero", head + L"O 01 C:\\x.lnk\r\n"},
        {"a repeated shortcut", head + link + link},
        {"a repeated saved number", head + L"O 1 C:\\a.lnk\r\nO 1 C:\\b.lnk\r\n"},
        {"a folder that is no full path", head + L"K Start Menu\r\n"},
        {"a repeated folder", head + L"K C:\\a\r\nK C:\\A\r\n"},
        {"a pin line with more", head + L"G ++\r\n"},
        {"two pin lines", head + L"G +\r\nG +\r\n"},
        {"a value before its key line", head + L"V DisplayName\r\n"},
        {"a value of a key that was absent", head + L"U -\r\nV DisplayName\r\n"},
        {"a value of another name", head + L"U +\r\nV Publisher\r\n"},
        {"a value of another type", head + L"U +\r\nV DisplayName 4 x\r\n"},
        {"a value without its data", head + L"U +\r\nV DisplayName 1\r\n"},
        {"an escape the writer never makes", head + L"U +\r\nV DisplayName 1 %41\r\n"},
        {"a cut escape", head + L"U +\r\nV DisplayName 1 x%2\r\n"},
        {"a repeated value", head + L"U +\r\nV DisplayName\r\nV DisplayName\r\n"},
        {"two key lines", head + L"U -\r\nU -\r\n"},
        {"a key line of another kind", head + L"U ?\r\n"},
        {"two task lines", head + L"A -\r\nA +\r\n"},
        {"a task line with a definition in it", head + L"A <Task/>\r\n"},
        {"integration lines after the commit", head + L"COMMIT\r\nA -\r\n"},
    };
    ASSERT_TRUE(ParseExtractJournal(head + link + L"U +\r\nV DisplayName 1 x\r\nA -\r\n").has_value())
        << "the rows below differ from a good one";
    for (const Case& c : cases) {
        EXPECT_FALSE(ParseExtractJournal(c.text).has_value()) << c.why;
    }
}

}  // namespace
