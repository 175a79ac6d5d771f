#include "tests/e2e/AppRun.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

#include "framework/platform/PlatformRemote.h"

namespace glintwork {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::seconds Timeout(60);

std::string Run(const std::string& command)
{
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, p))
            out += buffer;
        pclose(p);
    }
    return out;
}

}  // namespace

AppRun::AppRun(const std::string& script, bool withScript, const std::vector<std::string>& environment,
               const std::function<void(const std::string&)>& prepare, const std::vector<std::string>& arguments)
{
    if (withScript)
        std::ofstream(folder + "/scenescript.txt") << script;
    if (prepare)
        prepare(folder);

    std::vector<char*> argv{const_cast<char*>(GLINTWORK_BINARY)};
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid = fork();
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0)
            _exit(127);
        for (const std::string& e : environment)
            putenv(strdup(e.c_str()));
        std::freopen("stdout.txt", "w", stdout);
        std::freopen("stderr.txt", "w", stderr);
        execv(GLINTWORK_BINARY, argv.data());
        _exit(127);
    }
}

AppRun::~AppRun()
{
    if (pid > 0 && !ended) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

bool AppRun::WaitForWindow()
{
    const std::string id =
        Run("timeout 30 xdotool search --sync --onlyvisible --name '^Glintwork( |$)' 2>/dev/null | head -1");
    window = std::strtoul(id.c_str(), nullptr, 10);
    if (window == 0)
        return false;
    Run("xdotool windowfocus --sync " + std::to_string(window));
    return true;
}

bool AppRun::ReadSignature(Signature& s) const
{
    struct stat info;
    if (stat((folder + "/screenShot.bmp").c_str(), &info) != 0)
        return false;
    s = Signature{info.st_ino, info.st_mtim.tv_sec, info.st_mtim.tv_nsec};
    return true;
}

bool AppRun::WaitFrames(int count)
{
    return WaitUntil([&] {
        Signature now;
        if (ReadSignature(now) && now != last) {
            last = now;
            --count;
        }
        return count <= 0;
    });
}

Image AppRun::Settle()
{
    // Frames written before now do not count: the one being drawn may have
    // started before the last input, the one after it cannot have.
    ReadSignature(last);
    Image frame;
    if (WaitFrames(2))
        frame.LoadBMP((folder + "/screenShot.bmp").c_str());
    return frame;
}

bool AppRun::WaitUntil(const std::function<bool()>& condition)
{
    const Clock::time_point deadline = Clock::now() + Timeout;
    while (!condition()) {
        if (!Running() || Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

Image AppRun::Frame() const
{
    Image frame;
    frame.LoadBMP((folder + "/screenShot.bmp").c_str());
    return frame;
}

void AppRun::Send(const std::string& xdotoolArguments)
{
    Run("xdotool " + xdotoolArguments);
}

void AppRun::Drag(int button, int moves)
{
    std::string command = "mousemove --window " + std::to_string(window) + " 200 200 mousedown " + std::to_string(button);
    for (int i = 0; i < moves; ++i)
        command += " mousemove_relative --sync 7 3";
    Send(command + " mouseup " + std::to_string(button));
}

bool AppRun::RequestClose()
{
    return window != 0 && plat::SendCloseRequest(window);
}

std::string AppRun::Title()
{
    if (window == 0)
        return "";
    std::string title = Run("xdotool getwindowname " + std::to_string(window) + " 2>/dev/null");
    if (!title.empty() && title.back() == '\n')
        title.pop_back();
    return title;
}

bool AppRun::Running()
{
    if (ended || pid <= 0)
        return false;
    int s = 0;
    if (waitpid(pid, &s, WNOHANG) == pid) {
        ended = true;
        status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
        return false;
    }
    return true;
}

int AppRun::WaitExit()
{
    WaitUntil([] { return false; });  // until it ends or the time is up
    return ended ? status : -1;
}

std::string AppRun::Stderr() const
{
    return ReadWholeFile(folder + "/stderr.txt");
}

bool AppRun::FrameExists() const
{
    Signature s;
    return ReadSignature(s);
}

bool SameFrame(const Image& a, const Image& b)
{
    return a.GetData() && b.GetData() && a.Width() == b.Width() && a.Height() == b.Height() &&
           a.GetDataSize() == b.GetDataSize() && std::memcmp(a.GetData(), b.GetData(), a.GetDataSize()) == 0;
}

}  // namespace glintwork
