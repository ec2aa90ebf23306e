#include "app/configuration.h"

#include <gtest/gtest.h>

#include "tests/support/temporary_dir.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "platform/address_filter.h"
#include "platform/line_writer.h"
#include "platform/log.h"

namespace lintor {
namespace {

class ConfigurationTest : public testing::Test {
protected:
    std::string write(const std::string& text) {
        std::ofstream(path()) << text;
        return path();
    }
    const std::string& path() const { return path_; }
    Configuration load(Program program, std::vector<std::string_view> arguments, const std::string& defaultPath = {}) {
        return loadConfiguration(program, arguments, defaultPath);
    }
    Configuration daemon(std::vector<std::string_view> extra) {
        std::vector<std::string_view> arguments{"--config", path()};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return load(Program::Daemon, arguments);
    }
    static std::vector<std::string> texts(const Configuration& configuration) {
        std::vector<std::string> texts;
        for (const auto& problem : configuration.problems) texts.push_back(problem.text);
        return texts;
    }

private:
    test::TemporaryDir dir_;
    std::string path_ = dir_.path() + "/line1.conf";
};

TEST_F(ConfigurationTest, EveryKeyOfTheFileSetsItsOption) {
    write(
        "; the first line\n"
        "[Settings]\nDevice=/dev/knx-line1\nSimulate = YES\nlisten=127.0.0.1\n"
        "[gateway]\nPort=6100\nListen=\"::1\"\n"
        "[proxy]\nPort=off\n"
        "[access]\nAllow=192.168.1.0/24, fd00::/8 10.0.0.5\nMaxClients=1500\n"
        "[log]\nLevel=debug\nStats=on\n"
        "[window]\nHeadless=yes\n");
    const Configuration loaded = daemon({});
    ASSERT_TRUE(loaded.problems.empty()) << texts(loaded)[0];
    const Options& options = loaded.options;
    EXPECT_TRUE(options.simulate);
    EXPECT_EQ(options.gateway.gatewayPort, 6100);
    EXPECT_EQ(options.gateway.gatewayAddress(), "::1");
    EXPECT_EQ(options.gateway.proxyAddress(), "127.0.0.1");
    EXPECT_FALSE(options.gateway.proxyEnabled);
    ASSERT_EQ(options.gateway.allow.rules().size(), 3u);
    EXPECT_EQ(formatCidr(options.gateway.allow.rules()[2]), "10.0.0.5/32");
    EXPECT_EQ(options.gateway.limits.maxClients, 1500u);
    EXPECT_EQ(options.logLevel, log::Level::Debug);
    EXPECT_TRUE(options.stats);
    EXPECT_TRUE(options.headless);
    EXPECT_EQ(options.gateway.device, "") << "the device is chosen with ComPort, from the settings store";
    EXPECT_EQ(loaded.path, path());
}

TEST_F(ConfigurationTest, TheCommandLineWins) {
    write(
        "[gateway]\nPort=6100\nListen=::1\n[proxy]\nListen=::1\n[access]\nAllow=10.0.0.0/8 fd00::/8\n"
        "[log]\nLevel=debug\n[settings]\nSimulate=yes\n");
    const Configuration loaded =
        daemon({"--gateway-port", "6200", "--listen", "127.0.0.1", "--allow", "192.0.2.1", "--log-level=error"});
    ASSERT_TRUE(loaded.problems.empty()) << texts(loaded)[0];
    const GatewayConfig& gateway = loaded.options.gateway;
    EXPECT_EQ(gateway.gatewayPort, 6200);
    EXPECT_EQ(gateway.gatewayAddress(), "127.0.0.1") << "--listen covers the file's per-port addresses";
    EXPECT_EQ(gateway.proxyAddress(), "127.0.0.1");
    ASSERT_EQ(gateway.allow.rules().size(), 1u) << "the command line's list replaces the file's";
    EXPECT_EQ(formatCidr(gateway.allow.rules()[0]), "192.0.2.1/32");
    EXPECT_EQ(loaded.options.logLevel, log::Level::Error);

    const Configuration perPort = daemon({"--proxy-listen", "0.0.0.0"});
    EXPECT_EQ(perPort.options.gateway.gatewayAddress(), "::1");
    EXPECT_EQ(perPort.options.gateway.proxyAddress(), "0.0.0.0");
}

TEST_F(ConfigurationTest, EveryProblemIsReportedWithFileAndLine) {
    write(
        "[gateway]\n"                    // 1
        "Port=57x\n"                     // 2
        "Prot=1\n"                       // 3
        "just words\n"                   // 4
        "[access]\n"                     // 5
        "Allow=10.0.0.0/8, 300.1.1.1\n"  // 6
        "[log]\n"                        // 7
        "Stats=maybe\n"                  // 8
        "[colour]\n"                     // 9
        "Main=blue\n"                    // 10
        "[settings]\n"                   // 11
        "ComPort=two\n");                // 12
    // Overridden on the command line, the file's bad port is reported all the same.
    const Configuration loaded = daemon({"--gateway-port", "6000"});
    const std::string at = path() + ":";
    EXPECT_EQ(texts(loaded), (std::vector<std::string>{
                                 at + "4: neither [section] nor key=value",
                                 at + "2: invalid port for [gateway] Port: 57x",
                                 at + "3: unknown setting [gateway] Prot",
                                 at + "6: not an address or network for [access] Allow: 300.1.1.1 "
                                      "(e.g. 192.168.1.0/24, 10.0.0.5, fd00::/8)",
                                 at + "8: not yes or no for [log] Stats: maybe",
                                 at + "10: unknown setting [colour] Main",
                                 at + "12: [settings] ComPort is not a COM port number from 1 up: two",
                             }));
    EXPECT_FALSE(loaded.usable());
    EXPECT_FALSE(loaded.problems.back().fatal) << "a bad ComPort falls back to 1, as it always has";
    EXPECT_TRUE(loaded.problems.front().fatal);

    write("[settings]\nComPort=0\n");
    EXPECT_TRUE(daemon({}).usable());

    write(
        "[access]\nAllow=10.0.0.0/"
        "8\n[log]\nLevel=Debug\n[Access]\nallow=192.0.2.1\n[settings]\nComPort=2\nComPort=3\n");
    const Configuration twice = daemon({});
    EXPECT_EQ(texts(twice), (std::vector<std::string>{at + "6: [Access] allow is given again (first on line 2)",
                                                      at + "9: [settings] ComPort is given again (first on line 8)"}));
    EXPECT_TRUE(twice.problems[0].fatal);
    EXPECT_FALSE(twice.problems[1].fatal) << "ComPort and Device count from their first line, as they always did";
    EXPECT_EQ(twice.options.logLevel, log::Level::Debug) << "levels in any case";
}

TEST_F(ConfigurationTest, UnknownKeysStopTheDaemonAndAreIgnoredByTheDesktop) {
    write("[window]\nx = 10\n[gateway]\nPort=6100\n[colour]\nMain=blue\n");
    const std::string at = path() + ":";
    const Configuration desktop = load(Program::Desktop, {"--config", path()});
    EXPECT_EQ(texts(desktop), (std::vector<std::string>{at + "2: unknown setting [window] x, ignored",
                                                        at + "6: unknown setting [colour] Main, ignored"}));
    EXPECT_TRUE(desktop.usable());
    EXPECT_EQ(desktop.options.gateway.gatewayPort, 6100) << "the rest of the file is used";

    const Configuration admin = daemon({});
    EXPECT_EQ(texts(admin), (std::vector<std::string>{at + "2: unknown setting [window] x",
                                                      at + "6: unknown setting [colour] Main"}));
    EXPECT_FALSE(admin.usable());
    // A bad value stops both.
    write("[window]\nx = 10\n[gateway]\nPort=61x\n");
    EXPECT_FALSE(load(Program::Desktop, {"--config", path()}).usable());
}

TEST_F(ConfigurationTest, WhichFileIsReadAndWhenItMustExist) {
    // The daemon's file is the admin's: named, it must be there.
    const Configuration missing = daemon({});
    ASSERT_EQ(missing.problems.size(), 1u);
    EXPECT_EQ(missing.problems[0].text, "cannot read " + path() + ": No such file or directory");
    EXPECT_FALSE(missing.usable());
    // The desktop program creates its file when it first exits.
    EXPECT_TRUE(load(Program::Desktop, {"--config", path()}).usable());
    EXPECT_TRUE(load(Program::Desktop, {}, path()).usable());
    // Without --config the daemon reads no file at all.
    EXPECT_EQ(load(Program::Daemon, {}).path, "");

    write("[gateway]\nPort=6100\n");
    EXPECT_EQ(load(Program::Desktop, {}, path()).options.gateway.gatewayPort, 6100);
}

TEST_F(ConfigurationTest, FilesThatAreNotPlainTextAreReportedOnceAndNeverWaitedFor) {
    struct Sink final : LineSink {
        void writeLine(std::string_view line) override { lines.emplace_back(line); }
        std::vector<std::string> lines;
    } logged;
    log::Logger logger(logged, log::Style::Journal, log::Level::Debug);
    const log::Installation installed(logger);
    const std::string fifo = path() + ".fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string directory = path() + ".d";
    std::filesystem::create_directory(directory);
    struct Case {
        std::string file;
        std::string content;  // written to the file unless empty
        std::vector<std::string> problems;
    };
    const std::string cannot = "cannot read ";
    const Case cases[] = {
        // Opened without waiting for a writer, and refused.
        {fifo, "", {cannot + fifo + ": not a regular file (a FIFO)"}},
        {directory, "", {cannot + directory + ": not a regular file (a directory)"}},
        {path(), "\xEF\xBB\xBF[settings]\nSimulate=yes\n", {}},
        {path(),
         std::string("[settings]\nDevice=/dev/tty\0S0\n", 27),
         {path() + ":2: [settings] Device has a NUL byte in its value"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        if (!c.content.empty()) write(c.content);
        Configuration loaded = load(Program::Daemon, {"--config", c.file});
        checkDevice(loaded);
        EXPECT_EQ(texts(loaded), c.problems);
        // Nothing more in the log: the problems are shown where they are printed.
        EXPECT_EQ(logged.lines, std::vector<std::string>{});
        logged.lines.clear();
    }
    write("\xEF\xBB\xBF[settings]\nSimulate=yes\n");
    EXPECT_TRUE(load(Program::Daemon, {"--config", path()}).options.simulate) << "the first line after the mark";
}

TEST_F(ConfigurationTest, WindowOptionsAndCombinations) {
    EXPECT_EQ(texts(load(Program::Daemon, {"--headless"})), std::vector<std::string>{"unknown option: --headless"});
    EXPECT_TRUE(load(Program::Desktop, {"--headless"}).options.headless);

    write("[gateway]\nPort=6000\n[proxy]\nPort=6000\n");
    EXPECT_EQ(texts(daemon({})), std::vector<std::string>{"--gateway-port and --proxy-port are both 6000: give "
                                                          "each its own port, or --proxy-port off"});
    EXPECT_TRUE(daemon({"--proxy-port", "off"}).usable());
}

TEST_F(ConfigurationTest, CheckingTheDevice) {
    write("[settings]\nDevice=/dev/lintor-no-such-device\n");
    Configuration missing = daemon({});
    checkDevice(missing);
    EXPECT_EQ(texts(missing), std::vector<std::string>{"device /dev/lintor-no-such-device: No such file or directory"});

    Configuration plain = daemon({"--device", path()});
    checkDevice(plain);
    EXPECT_EQ(texts(plain), std::vector<std::string>{"device " + path() + " is not a character device"});

    Configuration null = daemon({"--device", "/dev/null"});
    checkDevice(null);
    EXPECT_TRUE(null.problems.empty());
}

}  // namespace
}  // namespace lintor
