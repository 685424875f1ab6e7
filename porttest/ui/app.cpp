#include "app.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <string>

#include "appdir.h"
#include "portstatus.h"
#include "qtoptions.h"
#include "qtprompt.h"
#include "testwnd.h"
#include "toolkittexts.h"
#include "wiringtest.h"

namespace {

QString HelpText()
{
    return QStringLiteral(
               "用法: porvik [--port <端口>] [--wiring-test [--cable <下载线>]]\n"
               "并口下载线测试程序 Porvik %1\n"
               "\n"
               "  --port <端口>  使用的并口:\n"
               "                   auto           自动选择 0x378 处的并口 (缺省)\n"
               "                   /dev/parportN  经内核 ppdev 驱动访问该并口 (也可写 parportN)\n"
               "                   direct         直接端口指令访问 0x378 (需要 root 权限)\n"
               "                   virtual        虚拟并口 (内存中, 带回环插头), 不需要硬件\n"
               "                   virtual:<故障>  带故障的虚拟回环插头, 用来试接线测试, 例如:\n"
               "                     virtual:open=2-15   PIN2 到 PIN15 的线断了\n"
               "                     virtual:short=2-3   PIN2 与 PIN3 短路\n"
               "                     virtual:stuck=11    PIN11 卡在低电平 (stuck=11:1 为高电平)\n"
               "                     多个故障用逗号隔开: virtual:open=2-15,stuck=11\n"
               "                 缺省时取环境变量 PORVIK_PORT, 再缺省则自动选择.\n"
               "  --wiring-test  不开窗口, 自动测试接线: 逐个驱动输出引脚, 读回输入引脚,\n"
               "                 与标准回环插头 (1-13, 2-15, 16-10, 17-11, 14-12) 比较,\n"
               "                 结果表格输出到标准输出. 退出码: 0 通过, 1 不通过,\n"
               "                 2 用法错误, 3 没有可用的并口.\n"
               "  --cable <下载线>  与 --wiring-test 一起用: 改为检查该下载线 ISP 端回环\n"
               "                 (MOSI 接 MISO); qorel, atmel 或 altera.\n"
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
    parser.addOption(portOption);
    parser.addOption(wiringOption);
    parser.addOption(cableOption);
    parser.addOption(helpOption);
    parser.addOption(versionOption);

    if (!parser.parse(WithoutQtOptions(arguments)))
        return Failure(parser.errorText());

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

    std::optional<std::string> cliValue;
    if (parser.isSet(portOption)) {
        const QString value = parser.value(portOption);
        std::string faultError;
        if (!ParsePortChoice(value.toStdString(), &faultError)) {
            if (!faultError.empty())
                return Failure(QStringLiteral("--port 的值 \"%1\" 无效: %2").arg(value, QString::fromStdString(faultError)));
            return Failure(QStringLiteral("--port 的值 \"%1\" 无效 (可用: auto, virtual, virtual:<故障>, direct, /dev/parportN)")
                               .arg(value));
        }
        cliValue = value.toStdString();
    }
    // A value of PORVIK_PORT that is not understood is taken as a device name by ChoosePort, so
    // that opening it fails visibly in the window with that name.
    r.choice = ChoosePort(cliValue, envPort);

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
    if (parser.isSet(wiringOption))
        r.action = PorvikCommandLine::Action::WiringTest;
    return r;
}

namespace {

// Where the command-line run's messages go: the lines a message box would have shown.
class StreamPrompt : public IPrompt {
public:
    explicit StreamPrompt(std::FILE* stream) : m_stream(stream) {}
    Answer Message(const std::string& text, Buttons) override
    {
        std::fprintf(m_stream, "porvik: %s\n", text.c_str());
        ++m_shown;
        return Answer::Ok;
    }
    int Shown() const { return m_shown; }

private:
    std::FILE* m_stream;
    int m_shown = 0;
};

} // namespace

int RunWiringTestCommand(const PorvikCommandLine& cmd, IPortPlatform& platform, std::FILE* out, std::FILE* err)
{
    // Before the port is opened: the Qorel Isp cable's settings file is looked for there.
    g_strAppDir = ProgramDirectory();
    StreamPrompt prompt(err);
    CCableTester tester(platform, prompt);
    tester.Start();
    ExpectedWiring expected = LoopbackPlugWiring();
    if (cmd.cableEntry) {
        tester.ChooseCable(*cmd.cableEntry);
        expected = IspLoopWiring(tester.Cable(), CCableTester::kCableEntries[*cmd.cableEntry].name);
    }
    const WiringReport report = RunWiringTest(tester.Cable(), expected);
    std::fputs(FormatWiringReport(report).c_str(), out);
    // The driver path has said why already; the direct path's refusal is known only here.
    if (report.noPort && prompt.Shown() == 0)
        prompt.Inform(PortInUseText(tester.Cable().InUse(), platform.FailureReason()));
    return WiringExitCode(report);
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

    m_platform = m_makePlatform();
    QtPrompt boxes(QStringLiteral("Porvik"));
    IPrompt& prompt = m_prompt ? *m_prompt : static_cast<IPrompt&>(boxes);
    {
        CPinTestDlg dlg(*m_platform, prompt);
        boxes.SetParent(&dlg);
        m_pMainWnd = &dlg;
        dlg.DoModal();
        m_pMainWnd = nullptr;
        boxes.SetParent(nullptr);
    } // the window, and with it the cable and its port, goes here
    return false;
}
