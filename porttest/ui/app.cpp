#include "app.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <string>

#include "appdir.h"
#include "cmdline.h"
#include "portstatus.h"
#include "reportfile.h"
#include "qtoptions.h"
#include "qtprompt.h"
#include "testwnd.h"
#include "toolkittexts.h"
#include "wiringrecord.h"
#include "wiringtest.h"

namespace {

QString HelpText()
{
    return QStringLiteral(
               "用法: porvik [--port <端口>] [--settle-us <微秒>] [--wiring-test [--cable <下载线>] [--report <文件>] [--label <文本>] [--repeat <N>]]\n"
               "并口下载线测试程序 Porvik %1\n"
               "\n"
               "  --port <端口>  使用的并口:\n"
               "                   auto           自动选择 0x378 处的并口 (缺省)\n"
               "                   /dev/parportN  经内核 ppdev 驱动访问该并口 (也可写 parportN)\n"
               "                   direct         直接端口指令访问 0x378 (需要 root 权限)\n"
               "                   direct:0xD010  直接端口指令访问该基地址的并口 (PCIe 并口卡等)\n"
               "                   virtual        虚拟并口 (内存中, 带回环插头), 不需要硬件\n"
               "                   virtual:<故障>  带故障的虚拟回环插头, 用来试接线测试, 例如:\n"
               "                     virtual:open=2-15   PIN2 到 PIN15 的线断了\n"
               "                     virtual:short=2-3   PIN2 与 PIN3 短路\n"
               "                     virtual:stuck=11    PIN11 卡在低电平 (stuck=11:1 为高电平)\n"
               "                     virtual:flaky=2-15:0.01,seed=7\n"
               "                                         PIN2 到 PIN15 的线接触不良, 每次读取有 1% 的\n"
               "                                         机会断开 (seed 给定随机数的起点, 结果可重现)\n"
               "                     多个故障用逗号隔开: virtual:open=2-15,stuck=11\n"
               "                 缺省时取环境变量 PORVIK_PORT, 再缺省取窗口中保留的并口 (只用于窗口),\n"
               "                 再取设置文件 QorelIsp.ini 的 [端口] Port, 都没有则自动选择.\n"
               "  --settle-us <微秒>  写入后等多少微秒再读输入引脚 (长电缆或带缓冲的电缆用),\n"
               "                 0 到 100000; 缺省取设置文件的 [端口] SettleUs, 再缺省为 0.\n"
               "  --wiring-test  不开窗口, 自动测试接线: 逐个驱动输出引脚, 读回输入引脚,\n"
               "                 与标准回环插头 (1-13, 2-15, 16-10, 17-11, 14-12) 比较,\n"
               "                 结果表格输出到标准输出. 退出码: 0 通过, 1 不通过,\n"
               "                 2 用法错误, 3 没有可用的并口或测试中并口访问失败,\n"
               "                 4 设置错误 (设置文件有无法使用的值, 或其引脚表无法测试,\n"
               "                 如 MOSI 与 OE 同用一个引脚), 5 报告文件无法写入.\n"
               "  --cable <下载线>  与 --wiring-test 一起用: 改为检查该下载线 ISP 端回环\n"
               "                 (MOSI 接 MISO); qorel, atmel 或 altera.\n"
               "  --report <文件>  与 --wiring-test 一起用: 把结果写成 JSON 文件 (格式版本, 程序版本,\n"
               "                 日期时间, 标签, 并口及其地址和模式, 下载线, 所用的引脚表及设置文件的\n"
               "                 警告, 每根线的结论和读数, 总结论; 结论另有英文代码 pass/fail 等).\n"
               "                 测试前先检查该路径: 不写入符号链接、文件夹、管道或设备, 不覆盖不是\n"
               "                 Porvik 报告的文件; 写入失败时原报告保持不变, 退出码 5.\n"
               "  --label <文本>  与 --wiring-test 一起用: 写进报告的标签 (如电缆的序列号).\n"
               "  --repeat <N>   与 --wiring-test 一起用: 连续测试 N 次 (一边晃动电缆), 报告每根线\n"
               "                 失败的次数 (\"失败 k/N 次\"), 读数时有时无的线标为 \"时通时断\";\n"
               "                 结论只在 N 次全部通过时为通过. 并口中途失败时, 已完成的各次\n"
               "                 结果照样报告, 退出码 3.\n"
               "  -h, --help     显示本帮助\n"
               "  -v, --version  显示版本\n"
               "Qt 的标准选项 (-platform, -style, -display, -geometry 等) 照常可用.\n")
        .arg(QString::fromUtf8(kPorvikVersion));
}

// Qt's own options (-platform, -style, ...) are QApplication's: the tester's parser passes over
// them and their values.
QStringList WithoutQtOptions(const QStringList& arguments)
{
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const std::string arg = arguments[i].toStdString();
        if (i == 0 || !FindQtStandardOption(arg)) {
            kept << arguments[i];
            continue;
        }
        if (QtOptionTakesNextArgument(arg)) ++i; // its value
    }
    return kept;
}

PorvikCommandLine Failure(const QString& message)
{
    PorvikCommandLine r;
    r.action = PorvikCommandLine::Action::Error;
    r.message = QStringLiteral("porvik: ") + message + QStringLiteral("\n用 --help 查看用法.\n");
    r.exitCode = 2;
    return r;
}

} // namespace

PorvikCommandLine ParsePorvikCommandLine(const QStringList& arguments, const char* envPort)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption portOption(QStringLiteral("port"), QString(), QStringLiteral("port"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption versionOption(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    const QCommandLineOption wiringOption(QStringLiteral("wiring-test"));
    const QCommandLineOption cableOption(QStringLiteral("cable"), QString(), QStringLiteral("cable"));
    const QCommandLineOption reportOption(QStringLiteral("report"), QString(), QStringLiteral("file"));
    const QCommandLineOption labelOption(QStringLiteral("label"), QString(), QStringLiteral("text"));
    parser.addOption(labelOption);
    const QCommandLineOption repeatOption(QStringLiteral("repeat"), QString(), QStringLiteral("n"));
    const QCommandLineOption settleOption(QStringLiteral("settle-us"), QString(), QStringLiteral("us"));
    parser.addOption(settleOption);
    parser.addOption(reportOption);
    parser.addOption(repeatOption);
    parser.addOption(portOption);
    parser.addOption(wiringOption);
    parser.addOption(cableOption);
    parser.addOption(helpOption);
    parser.addOption(versionOption);

    const QStringList ours = WithoutQtOptions(arguments);
    std::vector<std::string> args;
    for (qsizetype i = 1; i < ours.size(); ++i)
        args.push_back(ours[i].toStdString());
    if (const auto error = CommandLineError(args))
        return Failure(QString::fromStdString(*error));
    if (!parser.parse(ours))
        return Failure(QStringLiteral("命令行无效")); // the parser's own words are English

    PorvikCommandLine r;
    if (parser.isSet(helpOption)) {
        r.action = PorvikCommandLine::Action::Help;
        r.message = HelpText();
        return r;
    }
    if (parser.isSet(versionOption)) {
        r.action = PorvikCommandLine::Action::Version;
        r.message = QStringLiteral("Porvik %1\n").arg(QString::fromUtf8(kPorvikVersion));
        return r;
    }
    if (!parser.positionalArguments().isEmpty())
        return Failure(QStringLiteral("多余的参数: %1").arg(parser.positionalArguments().join(' ')));

    // The option and the environment variable are read by one rule: a slip in either is said at
    // once, rather than turning into a port that cannot be found.
    auto checkPort = [](const std::string& where, const std::string& value) -> std::optional<QString> {
        std::string faultError;
        if (ParsePortChoice(value, &faultError))
            return std::nullopt;
        return QString::fromStdString(BadPortText(where, value, faultError));
    };
    std::optional<std::string> cliValue;
    if (parser.isSet(portOption)) {
        cliValue = parser.value(portOption).toStdString();
        if (const auto error = checkPort("--port", *cliValue))
            return Failure(*error);
    } else if (envPort && *envPort) {
        if (const auto error = checkPort("环境变量 PORVIK_PORT", envPort))
            return Failure(*error);
    }
    r.choice = ChoosePort(cliValue, envPort);
    r.portValue = cliValue;
    if (parser.isSet(settleOption)) {
        const QString value = parser.value(settleOption);
        r.settleUs = ParseSettleUs(value.toStdString());
        if (!r.settleUs)
            return Failure(QString::fromStdString(BadSettleText("--settle-us", value.toStdString())));
    }

    if (parser.isSet(cableOption)) {
        if (!parser.isSet(wiringOption))
            return Failure(QStringLiteral("--cable 只能与 --wiring-test 一起用"));
        const QString value = parser.value(cableOption);
        const auto* entries = std::begin(CCableTester::kCableEntries);
        const auto* found = std::find_if(entries, std::end(CCableTester::kCableEntries),
                                         [&](const CCableTester::CableEntry& e) {
                                             return value.compare(QLatin1String(e.keyword), Qt::CaseInsensitive) == 0;
                                         });
        if (found == std::end(CCableTester::kCableEntries))
            return Failure(QStringLiteral("--cable 的值 \"%1\" 无效 (可用: qorel, atmel, altera)").arg(value));
        r.cableEntry = static_cast<int>(found - entries);
    }
    if (parser.isSet(labelOption))
        r.label = parser.value(labelOption).toStdString();
    for (const QCommandLineOption* o : {&reportOption, &repeatOption, &labelOption})
        if (parser.isSet(*o) && !parser.isSet(wiringOption))
            return Failure(QStringLiteral("--%1 只能与 --wiring-test 一起用").arg(o->names().front()));
    if (parser.isSet(reportOption)) {
        r.reportFile = parser.value(reportOption).toStdString();
        if (r.reportFile.empty())
            return Failure(QStringLiteral("--report 需要一个文件名"));
    }
    if (parser.isSet(repeatOption)) {
        bool ok = false;
        const QString value = parser.value(repeatOption);
        r.repeat = value.toInt(&ok);
        if (!ok || r.repeat < 1 || r.repeat > kMaxRepeat)
            return Failure(QStringLiteral("--repeat 的值 \"%1\" 无效 (应为 1 到 %2 的整数)").arg(value).arg(kMaxRepeat));
    }
    if (parser.isSet(wiringOption))
        r.action = PorvikCommandLine::Action::WiringTest;
    return r;
}

namespace {

// Keeps the command-line run's messages, the lines a message box would have shown, so that they
// are said once at the end.
class CollectingPrompt : public IPrompt {
public:
    Answer Message(const std::string& text, Buttons) override
    {
        messages.push_back(text);
        return Answer::Ok;
    }
    std::vector<std::string> messages;
};

int ReportNotWritten(const std::string& file, const std::string& reason, std::FILE* err)
{
    std::fprintf(err, "porvik: %s\n", ReportNotWrittenText(file, reason).c_str());
    return kWiringReportNotWritten; // its own code: a failed cable is not hidden behind "no port"
}

} // namespace

int RunWiringTestCommand(const PorvikCommandLine& cmd, IPortPlatform& platform, std::FILE* out, std::FILE* err)
{
    // Before anything is driven: a report that cannot be written is said before a long test.
    if (!cmd.reportFile.empty())
        if (const auto problem = ReportPathProblem(cmd.reportFile))
            return ReportNotWritten(cmd.reportFile, *problem, err);
    // Before the port is opened: the Qorel Isp cable's settings file is looked for there.
    g_strAppDir = ProgramDirectory();
    CollectingPrompt prompt;
    CCableTester tester(platform, prompt);
    tester.Cable().SetSettleTime(cmd.settleUs.value_or(0));
    tester.Start();
    ExpectedWiring expected = LoopbackPlugWiring();
    if (cmd.cableEntry) {
        tester.ChooseCable(*cmd.cableEntry);
        expected = IspLoopWiring(tester.Cable(), CCableTester::kCableEntries[*cmd.cableEntry].name);
    }
    const RepeatedReport result = cmd.repeat > 1 ? RunRepeatedWiringTest(tester.Cable(), expected, cmd.repeat)
                                                 : AsRepeated(RunWiringTest(tester.Cable(), expected));
    const WiringReport& report = result.last;
    std::fputs((cmd.repeat > 1 ? FormatRepeatedReport(result) : FormatWiringReport(report)).c_str(), out);
    for (const std::string& line : WiringNotices(report, prompt.messages, tester.Cable().InUse(),
                                                 platform.FailureReason(), tester.Cable().m_mapSource))
        std::fprintf(err, "porvik: %s\n", line.c_str());
    if (!cmd.reportFile.empty()) {
        const std::string json =
            WiringReportJson(result, ReportContextOf(tester, cmd.cableEntry.has_value(), cmd.label, NowIso8601()));
        if (const auto problem = WriteReportFile(cmd.reportFile, json))
            return ReportNotWritten(cmd.reportFile, *problem, err);
    }
    return RepeatedExitCode(result);
}

CPorvikApp::CPorvikApp(PlatformFactory makePlatform, IPrompt* prompt)
    : m_makePlatform(std::move(makePlatform)), m_prompt(prompt)
{
}

CPorvikApp::~CPorvikApp() = default;

bool CPorvikApp::InitInstance()
{
    InstallChineseToolkitTexts();
    // Before the window exists: opening the port and selecting the cable read it.
    g_strAppDir = ProgramDirectory();

    QtPrompt boxes(QStringLiteral("Porvik"));
    IPrompt& prompt = m_prompt ? *m_prompt : static_cast<IPrompt&>(boxes);
    std::optional<PortChoice> next;
    do {
        // A port chosen in the window: the old window and its port go first, then the new port
        // is opened as at start-up.
        m_platform.reset();
        m_platform = next ? m_makeChosen(*next) : m_makePlatform();
        if (next)
            m_current = *next;
        CPinTestDlg dlg(*m_platform, prompt);
        dlg.m_cable.SetSettleTime(m_settleUs);
        if (m_listPorts)
            dlg.SetPortOffers(m_listPorts(), m_current);
        // The first window says how its port was chosen; a port chosen in the window was the user's.
        const StartPort start = next ? StartPort{m_current, StartPort::Source::Chosen} : m_start;
        auto kept = [this] { return m_loadKept && IsKeptPort(m_current, m_loadKept()); };
        dlg.SetStartNote([this, start, kept] { return StartPortNote(start, m_settings, m_settleUs, kept()); });
        if (m_storeKept)
            dlg.SetKeepEntry(QString::fromUtf8(kKeepPortEntry), kept,
                             [this] { m_storeKept(KeptAfterToggle(m_current, m_loadKept())); });
        boxes.SetParent(&dlg);
        m_pMainWnd = &dlg;
        const int result = dlg.DoModal();
        m_pMainWnd = nullptr;
        boxes.SetParent(nullptr);
        next = result == CPinTestDlg::kSwitchPort ? dlg.ChosenPort() : std::nullopt;
    } while (next); // the window, and with it the cable and its port, goes at the end of each round
    return false;
}

void CPorvikApp::AllowPortChoice(PortChoice current, std::function<std::vector<PortOffer>()> list,
                                 std::function<std::unique_ptr<IPortPlatform>(const PortChoice&)> make)
{
    m_current = std::move(current);
    m_listPorts = std::move(list);
    m_makeChosen = std::move(make);
}

void CPorvikApp::SetStart(StartPort start, PortSettings settings, unsigned settleUs)
{
    m_start = std::move(start);
    m_settings = std::move(settings);
    m_settleUs = settleUs;
}

void CPorvikApp::AllowKeepingPort(std::function<std::optional<std::string>()> load,
                                  std::function<void(const std::optional<std::string>&)> store)
{
    m_loadKept = std::move(load);
    m_storeKept = std::move(store);
}
