// One project, several processes: readers share it (deny-write), a writer has it alone. Locks
// belong to an open file description, so every holder here is a process of its own. The share
// modes of the engine's own opens are cfb/document_test.cpp's.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>

#include <vyr/vyr.h>

#include "faults_support.h"

namespace vyr_faults {
namespace {

namespace fs = std::filesystem;

constexpr DWORD kWriteExclusive = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;

// A child process that runs open and holds what it opened until the holder goes (and kills
// it: a later child inherits every pipe, so no end-of-pipe could tell it to go).
class Holder {
public:
    explicit Holder(const std::function<bool()>& open) {
        int ready[2];
        if (::pipe(ready) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            const char opened = open() ? 1 : 0;
            if (::write(ready[1], &opened, 1) != 1) ::_exit(1);
            while (true) ::pause();  // the locks go with the process
        }
        ::close(ready[1]);
        char opened = 0;
        opened_ = pid_ > 0 && ::read(ready[0], &opened, 1) == 1 && opened == 1;
        ::close(ready[0]);
    }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;
    ~Holder() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    bool opened() const { return opened_; }

private:
    pid_t pid_ = -1;
    bool opened_ = false;
};

std::u16string u16(const std::string& path) {
    std::u16string out;
    cfb::utf8_to_utf16(path, out);
    return out;
}

std::function<bool()> holding(const std::string& path, DWORD mode) {
    return [path, mode] {
        IStorage* root = nullptr;  // kept until the process ends
        return SUCCEEDED(StgOpenStorage(u16(path).c_str(), nullptr, mode, nullptr, 0, &root));
    };
}

std::function<bool()> holding_project_read_only(const std::string& path) {
    return [path] {
        static CVyrIPtrSmart<IVyrStorageEx> project;  // kept until the process ends
        CVyrIPtrSmart<IVyrEx> root = Vyr_GetIVyrEx();
        return root->OpenStorageReadOnlyShared(path.c_str(), project) == VYR_OK;
    };
}

// `vyr args` started with the failing file system set to stop it (SIGSTOP) before its first
// write: returned once stopped, still holding the project it opened.
pid_t start_stopped(const std::vector<std::string>& args, const fs::path& dir) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("LD_PRELOAD", VYR_FAILING_IO_PATH, 1);
        ::setenv("VYR_STOP_CALL", "1", 1);
        const int out = ::open((dir / "held.out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, 1);
        ::dup2(out, 2);
        std::vector<std::string> words{VYR_CLI_PATH};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        ::execv(VYR_CLI_PATH, argv.data());
        ::_exit(127);
    }
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, WUNTRACED), pid);
    EXPECT_TRUE(WIFSTOPPED(status)) << "vyr did not stop at its first write";
    return pid;
}

// Lets the stopped command go on; its exit status.
int resume(pid_t pid) {
    ::kill(pid, SIGCONT);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The library's shared read-only open: many at once, none beside a writer, no writer beside
// one, and nothing written by it.
TEST_F(FaultTest, ReadOnlySharedProjectOpens) {
    CVyrIPtrSmart<IVyrEx> root = Vyr_GetIVyrEx();
    CVyrIPtrSmart<IVyrStorageEx> shared;
    CVyrIPtrSmart<IVyrStorage> writer;
    EXPECT_EQ(root->OpenStorageReadOnlyShared(nullptr, shared), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(root->OpenStorageReadOnlyShared("", shared), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(root->OpenStorageReadOnlyShared((dir / "missing.vyr").c_str(), shared),
              VYR_E_STORAGE_NOT_FOUND);
    {
        Holder reader(holding_project_read_only(project));
        ASSERT_TRUE(reader.opened());
        ASSERT_EQ(root->OpenStorageReadOnlyShared(project.c_str(), shared), VYR_OK);
        CVyrIPtrSmart<IVyrCollectionStationEx> stations;
        ASSERT_EQ(shared->GetStationsEx(stations), VYR_OK);
        uint32_t count = 0;
        EXPECT_EQ(stations->GetCount(count), VYR_OK);
        EXPECT_EQ(count, 1u);
        EXPECT_EQ(root->OpenStorage(project.c_str(), writer), VYR_E_STORAGE_NOT_FOUND);
        // Read-only: a change is refused, and closing writes nothing.
        CVyrIPtrSmart<IVyrCommonDataEx> common;
        ASSERT_EQ(shared->GetCommonDataEx(common), VYR_OK);
        EXPECT_LT(common->SetUtcLeapSeconds({54832, 0.0, 18, 0}), 0);
        common.Reset();
        stations.Reset();
        shared.Reset();
    }
    EXPECT_EQ(slurp(project), base);
    {
        Holder writing(holding(project, kWriteExclusive));
        ASSERT_TRUE(writing.opened());
        EXPECT_EQ(root->OpenStorageReadOnlyShared(project.c_str(), shared),
                  VYR_E_STORAGE_NOT_FOUND);
    }
    ASSERT_EQ(root->OpenStorage(project.c_str(), writer), VYR_OK);
}

// Every read-only command of `vyr`, given a project that another program holds.
struct ReaderCommand {
    std::vector<std::string> words;  // "P" stands for the project, "A" for an association key
};

const std::vector<ReaderCommand>& reader_commands() {
    static const std::vector<ReaderCommand> commands{
        {{"info", "P"}},
        {{"obs", "P", "VYRB"}},
        {{"show", "P", "processing-parameters"}},
        {{"export", "P", "VYRB", "-o", "OUT"}},
        {{"errors", "P"}},
        {{"results", "P", "A", "show", "residuals", "--type", "L1Code"}},
        {{"windows", "P", "VYRB", "list"}},
        {{"assoc", "P", "list"}},
        {{"copy", "P", "COPY"}},
        {{"cfb", "ls", "P"}},
        {{"cfb", "cat", "P", "StorageVersion"}},
        {{"cfb", "unpack", "P", "OUT"}},
        {{"cfb", "check", "P"}},
    };
    return commands;
}

class SharingTest : public FaultTest {
protected:
    void SetUp() override {
        FaultTest::SetUp();
        const Outcome added = vyr({"assoc", project, "add", "VYRB"});
        ASSERT_EQ(added.status, 0) << added.err;
        assoc = added.out.substr(0, added.out.find('\n'));
        base = slurp(project);
    }
    std::vector<std::string> args_of(const ReaderCommand& command, int round) const {
        std::vector<std::string> args;
        for (const std::string& w : command.words) {
            if (w == "P")
                args.push_back(project);
            else if (w == "A")
                args.push_back(assoc);
            else if (w == "OUT" || w == "COPY")
                args.push_back((dir / (w + std::to_string(round))).string());
            else
                args.push_back(w);
        }
        return args;
    }
    std::string in_use() const { return "vyr: " + project + ": is in use by another program\n"; }
    std::string assoc;
};

TEST_F(SharingTest, ReadOnlyCommandsShareAProjectWithAReader) {
    Holder reader(holding_project_read_only(project));
    ASSERT_TRUE(reader.opened());
    int round = 0;
    for (const ReaderCommand& command : reader_commands()) {
        const Outcome outcome = vyr(args_of(command, ++round));
        EXPECT_EQ(outcome.status, 0) << command.words[0] << ": " << outcome.err;
    }
    EXPECT_EQ(slurp(project), base);
}

TEST_F(SharingTest, ReadOnlyCommandsDuringAnImportSayTheProjectIsInUse) {
    const pid_t import = start_stopped({"import", project, input("obs3.rnx")}, dir);
    ASSERT_TRUE(cfb::is_file_locked(project.c_str()));
    int round = 0;
    for (const ReaderCommand& command : reader_commands()) {
        const Outcome outcome = vyr(args_of(command, ++round));
        EXPECT_EQ(outcome.status, 1) << command.words[0];
        EXPECT_EQ(outcome.err, in_use()) << command.words[0];
        EXPECT_FALSE(fs::exists(dir / ("COPY" + std::to_string(round)))) << command.words[0];
    }
    EXPECT_EQ(resume(import), 0) << slurp(dir / "held.out");
    const Outcome info = vyr({"info", project});
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("station\tSITE"), std::string::npos) << info.out;
}

// A writer while readers look: refused before it reads its input, the project untouched; once
// the readers are gone the same import goes through.
TEST_F(SharingTest, WritersWhileAReaderHoldsTheProjectChangeNothing) {
    const std::vector<std::vector<std::string>> writers{
        {"import", project, input("obs3.rnx")},
        {"windows", project, "VYRB", "add", "2021-01-02T12:02:00", "2021-01-02T12:03:00"},
        {"assoc", project, "delete", assoc},
        {"upgrade", project},
    };
    {
        Holder reader(holding_project_read_only(project));
        ASSERT_TRUE(reader.opened());
        for (const auto& args : writers) {
            const Outcome outcome = vyr(args);
            EXPECT_EQ(outcome.status, 1) << args[0];
            // The first line; import then sums up its files.
            EXPECT_EQ(outcome.err.substr(0, outcome.err.find('\n') + 1), in_use()) << args[0];
        }
        EXPECT_EQ(slurp(project), base);
        EXPECT_EQ(leftovers(), 0);
    }
    const Outcome imported = vyr(writers[0]);
    EXPECT_EQ(imported.status, 0) << imported.err;
}

}  // namespace
}  // namespace vyr_faults
