// Every number the real window shows, character for character, against the
// simulator executable: the thirteen read-outs, the channel line, the lines
// of the transmit-frequency procedure and the parameter listing, and the
// compensation table the procedure writes into the radio. The expected
// texts are literal: the same run under a comma-decimal locale
// (LC_ALL=de_DE.UTF-8, see the second ctest entries) must show exactly them.
#include <QPlainTextEdit>

#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "console/clsConsole.h"
#include "shell/Common.h"
#include "link/clsCmcXfr3Sequence.h"
#include "qt/WindowWithSim.h"

namespace {

using namespace qtwin;

// The QApplication has set the C library's locale from the environment;
// a run that asks for a comma-decimal locale must really have it.
TEST(QtTestLocale, IsTheOneTheRunAsksFor) {
    const char* want = std::getenv("ZS_TEST_DECIMAL_COMMA");
    if (want == nullptr || std::string(want) != "1") GTEST_SKIP() << "no comma-decimal locale asked for";
    EXPECT_STREQ(std::localeconv()->decimal_point, ",") << "locale " << std::setlocale(LC_ALL, nullptr);
}

// The parameter listing after the procedure, for the simulator's image.
const char* const kListing = R"(                POW HI Level:  200
                POW L2 Level:  112
                POW L1 Level:   48
               Balance Level:  128
                 MOD W Level:  144
                 MOD N Level:   96
             CTCS/DTCS Level:   64
                   SQL Level:   80
                BPF T1 Level:    5
                BPF T2 Level:   -5
                BPF T3 Level:   16
                BPF T4 Level:    0
       MOD Slant(Freq) Band0:   64
       MOD Slant(Freq) Band1:   67
       MOD Slant(Freq) Band2:   70
       MOD Slant(Freq) Band3:   73
       MOD Slant(Freq) Band4:   76
      Tone Slant(Freq) Band0:   79
      Tone Slant(Freq) Band1:   82
      Tone Slant(Freq) Band2:   85
      Tone Slant(Freq) Band3:   88
      Tone Slant(Freq) Band4:   91
       POW Slant(Freq) Band0:   94
       POW Slant(Freq) Band1:   97
       POW Slant(Freq) Band2:  100
       POW Slant(Freq) Band3:  103
       POW Slant(Freq) Band4:  106
        MOD Slant(Temp) Area:  109
       Tone Slant(Temp) Area:  112
        SQL Slant(Temp) Area:  115
       CTCSS Tone Correction:  157
        DTCS Tone Correction:  160
       LTR W Tone Correction:  163
       LTR N Tone Correction:  166
            MOD W Correction:  169
            MOD N Correction:  172
              Base Frequency:  136.000MHz
             REF Area 0:    0
             REF Area 1:   16
             REF Area 2:   24
             REF Area 3:   32
             REF Area 4:   40
             REF Area 5:   48
             REF Area 6:   64
             REF Area 7:   80
             REF Area 8:   96
             REF Area 9:  112
            REF Area 10:  128
            REF Area 11:  144
            REF Area 12:  160
            REF Area 13:  176
            REF Area 14:  192
            REF Area 15:  208
            REF Area 16:  216
            REF Area 17:  224
            REF Area 18:  232
            REF Area 19:  240
            REF Area 20:  255
          REF Initial 0:  159
          REF Initial 1:  149
          REF Initial 2:  145
          REF Initial 3:  141
          REF Initial 4:  138
          REF Initial 5:  135
          REF Initial 6:  132
          REF Initial 7:  129
          REF Initial 8:  128
          REF Initial 9:  128
         REF Initial 10:  128
         REF Initial 11:  128
         REF Initial 12:  129
         REF Initial 13:  131
         REF Initial 14:  134
         REF Initial 15:  137
         REF Initial 16:  139
         REF Initial 17:  141
         REF Initial 18:  143
         REF Initial 19:  146
            REF Slant 0:  -21
            REF Slant 1:  -17
            REF Slant 2:  -15
            REF Slant 3:  -12
            REF Slant 4:  -10
            REF Slant 5:   -7
            REF Slant 6:   -5
            REF Slant 7:   -2
            REF Slant 8:   -1
            REF Slant 9:    0
           REF Slant 10:    1
           REF Slant 11:    2
           REF Slant 12:    4
           REF Slant 13:    5
           REF Slant 14:    6
           REF Slant 15:    7
           REF Slant 16:   10
           REF Slant 17:   10
           REF Slant 18:   12
           REF Slant 19:   12
               RSSI S1 Level:   40
               RSSI S3 Level:   80
)";

class ShownNumbersWithSim : public WindowWithSim {
protected:
    QListWidget* console() const { return window->consoleList(); }
    QString line(int row) const { return console()->item(row)->text(); }
    std::string text(const QListWidget* list, int row) const { return list->item(row)->text().toStdString(); }

    int Select(const QString& title) {
        const int row = RowStartingWith(console(), title);
        if (row < 0) return row;
        console()->setFocus();
        EXPECT_TRUE(QTest::qWaitFor([&] { return console()->hasFocus(); }, 2000));
        console()->setCurrentRow(row);
        return row;
    }
    bool StepAndSee(int row, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        const QString before = line(row);
        QTest::keyClick(console(), key, mods);
        return QTest::qWaitFor([&] { return line(row) != before; }, 5000);
    }
    bool LineHas(int row, const QString& t, int ms) {
        return QTest::qWaitFor([&] { return line(row).contains(t); }, ms);
    }
    bool AllReadoutsShown() const {
        for (int list = 0; list < 2; ++list) {
            const QListWidget* l = window->readoutList(list);
            const int n = list == 0 ? 4 : 9;
            if (l->count() < n + 1) return false;
            for (int i = 1; i <= n; ++i)
                if (l->item(i)->text() == QStringLiteral("----")) return false;
        }
        return true;
    }
};

TEST_F(ShownNumbersWithSim, ReadoutsChannelLineProcedureListingAndTableAreTheSameOnEveryDesktop) {
    const std::string saved = dir.file("sim-eeprom.bin");
    const std::string control = dir.file("sim-control");
    SimExe sim({QStringLiteral("--save"), QString::fromStdString(saved), QStringLiteral("--control"),
                QString::fromStdString(control), QStringLiteral("--vin"), QStringLiteral("176"),
                QStringLiteral("--lvin"), QStringLiteral("100"), QStringLiteral("--temp"), QStringLiteral("128")});
    ASSERT_FALSE(sim.path().empty()) << "zt-n7-sim did not start: " << sim.errors().toStdString();
    ASSERT_TRUE(Start(sim.path()));
    QTest::mouseClick(window->button(0), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ConnectedAndRead(*window) && AllReadoutsShown(); }, 60000))
        << (desktop.messages.empty() ? "" : desktop.messages.front());

    // The read-outs.
    const char* const ad[] = {"VIN  :176:B0h: 13.80V", "TEMPS:128:80h:  9.27'C", "LVIN :100:64h:  1.96V",
                              "SD   :148:94h:  2.90V"};
    const char* const da[] = {"BPF T1 :133:85h:  2.61V", "BPF T2 :123:7Bh:  2.41V", "BPF T3 :144:90h:  2.82V",
                              "T4/POW :128:80h:  2.51V", "REF    :200:C8h:  3.92V", "MOD BAL:128:80h: 50.20%",
                              "Dev    :144:90h:  2.82V", "CTCSS  : 64:40h:  1.25V", "SQL Lev: 80:50h: 31.37%"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(text(window->readoutList(0), i + 1), ad[i]);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(text(window->readoutList(1), i + 1), da[i]);

    // The channel line.
    const int ch = RowStartingWith(console(), QStringLiteral("    CH No."));
    ASSERT_GE(ch, 0);
    EXPECT_EQ(line(ch).toStdString(),
              "    CH No.: 01 RX Freq = 146.520, TX Freq =   <-     RF Power: High  Mode: Wide");

    // The transmit-frequency procedure: its lines, then the table it writes.
    const int txf = Select(QStringLiteral("       TXF"));
    ASSERT_GE(txf, 0);
    QTest::keyClick(console(), Qt::Key_Return);
    ASSERT_TRUE(LineHas(txf, QStringLiteral(": 1st TX Freq = "), 10000)) << line(txf).toStdString();
    EXPECT_EQ(line(txf).toStdString(),
              "       TXF: 1st TX Freq = 146.52000MHz, Setting =   0 [--------------------]");
    ASSERT_TRUE(StepAndSee(txf, Qt::Key_Right, Qt::ShiftModifier));
    EXPECT_EQ(line(txf).toStdString(),
              "       TXF: 1st TX Freq = 146.52000MHz, Setting =   5 [--------------------]");
    QTest::keyClick(console(), Qt::Key_Return);
    ASSERT_TRUE(LineHas(txf, QStringLiteral(": 2nd TX Freq = "), 10000)) << line(txf).toStdString();
    EXPECT_EQ(line(txf).toStdString(),
              "       TXF: 2nd TX Freq = 146.52147MHz, Setting = 188 [###############-----]");
    ASSERT_TRUE(StepAndSee(txf, Qt::Key_Right));
    EXPECT_EQ(line(txf).toStdString(),
              "       TXF: 2nd TX Freq = 146.52147MHz, Setting = 189 [###############-----]");
    const int beeps = desktop.beeps;
    QTest::keyClick(console(), Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.beeps > beeps; }, 30000));
    ASSERT_TRUE(LineHas(txf, QStringLiteral(": [Enter] to Start"), 5000)) << line(txf).toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !program->sequencer().OpRunning(); }, 10000));

    // The parameter listing, with the table just written.
    QTest::mouseClick(window->button(2), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->paramText()->isVisible(); }, 10000));
    const std::string listing = window->paramText()->toPlainText().toStdString();
    EXPECT_EQ(listing, kListing);
    EXPECT_TRUE(desktop.messages.empty()) << desktop.messages.front();

    window->close();
    ASSERT_TRUE(sim.stop());
    const std::string image = ReadFile(saved);
    ASSERT_EQ(image.size(), 12288u);
    std::string table;
    for (std::size_t a = 216; a < 256; ++a) table += ByteToHexStr(static_cast<std::uint8_t>(image[a]));
    // Slope and setting of each of the 20 temperature segments, computed
    // from the shipped Const.ini (whose -4.8 a German strtod reads as -4).
    EXPECT_EQ(table, "EB9FEF95F191F48DF68AF987FB84FE81FF8000800180028004810583068607890A8B0A8D0C8F0C92");
}

}  // namespace
