// SCPT and INFO text carried out, rewritten and put back; cell (0, 0) moved by (2, -1).
#include <string>
#include <vector>

#include "harness.h"
#include "plugin_builder.h"
#include "script/script_text.h"

namespace {

using namespace testing_plugin;

using Handler = OutputDecision (*)(const WriteInputs&, WriteState&, RecordInHand&);

class ScriptRecords : public harness::InProcessTest {
 protected:
  void SetUp() override {
    InProcessTest::SetUp();
    run().facts.moves.add({{0, 0}, {2, -1}});
  }
  std::string readLog() { return run().logText(); }
  // Runs the handler on `in` and returns what it decided; `bytes` and `size`
  // hold the modified copy it leaves, with the usual 2048 spare bytes.
  OutputDecision call(Handler handler, std::string in, std::vector<uint8_t>& bytes,
                      uint32_t& size, std::size_t spare = 2048) {
    bytes.assign(in.begin(), in.end());
    bytes.resize(in.size() + spare);
    size = static_cast<uint32_t>(in.size());
    RecordInHand record{reinterpret_cast<uint8_t*>(in.data()), size, 0, bytes, size};
    return handler(inputs(), state(), record);
  }
  // Runs the handler and returns the record it leaves, split into its subrecords.
  Record handle(Handler handler, const std::string& in) {
    std::vector<uint8_t> bytes;
    uint32_t size = 0;
    decision = call(handler, in, bytes, size);
    std::vector<Record> records;
    EXPECT_TRUE(readPlugin(std::string(bytes.begin(), bytes.begin() + size), records));
    EXPECT_EQ(records.size(), 1u);
    EXPECT_TRUE(records.front().wellFormed);
    return records.front();
  }
  OutputDecision decision;
};

TEST_F(ScriptRecords, RewrittenScriptGrowsAndReplacesTheOriginal) {
  const std::string text =
      "Begin test\r\nposition 1000.5, 2000.5, 0, 0\r\nset x to 1\r\n"
      "player->Position 1000.5, 2000.5, 0, 0 ; again\r\nEnd\r\n";
  const std::string in = script("Test_Script", text);
  Record out = handle(rewriteScriptRecord, in);
  std::string expected = text;
  for (std::size_t at; (at = expected.find("1000.5, 2000.5")) != std::string::npos;)
    expected.replace(at, 14, "17384.500000, -6191.500000");
  EXPECT_EQ(out.data.size(), in.size() - 16 + 24);
  ASSERT_EQ(out.subrecords.size(), 3u);
  EXPECT_EQ(out.subrecords[2].data, expected);
  EXPECT_EQ(run().counters.scriptCommandsModified, 2);
  EXPECT_EQ(run().scripts.recompile, std::vector<std::string>{"Test_Script"});
  EXPECT_TRUE(!decision.writeOriginal && decision.writeModified);
  EXPECT_NE(readLog().find("(17384.500000,-6191.500000) - for script called \"Test_Script\"\n"),
            std::string::npos);
}

TEST_F(ScriptRecords, OnlyFilteredLinesAreOfferedAndGetPosScriptsAreListed) {
  const std::string untouched = script(
      "Watcher", "set x to GetPos X\r\nModDisposition 10\r\nposition\t1000, 2000, 0, 0\r\n"
                 "position 1000, 2000 ; moddisposition\r\naitravel\r\n");
  EXPECT_EQ(handle(rewriteScriptRecord, untouched).data, untouched.substr(16));
  handle(rewriteScriptRecord, script("Mover", "if ( GetPos X > 0 )\r\n position 1000, 2000\r\n"));
  // Offered to the line rewriting but not moved: counted for neither list.
  handle(rewriteScriptRecord, script("Far", "if ( getpos x > 0 ) position 50000, 50000\r\n"));
  EXPECT_EQ(run().scripts.investigate, std::vector<std::string>{"Watcher"});
  EXPECT_EQ(run().scripts.recompile, std::vector<std::string>{"Mover"});
  EXPECT_EQ(run().counters.scriptCommandsModified, 1);
}

TEST_F(ScriptRecords, LongLinesAndAnUnendedLastLineComeThroughWhole) {
  // A line longer than the line buffer goes through in pieces; the last line
  // has no line end. Only the command line changes.
  const std::string text = "; " + std::string(2500, 'x') + "\r\nposition 1000, 2000, 0, 0\r\n" +
                           std::string(1022, 'y') + "\nEnd";
  std::string expected = text;
  expected.replace(expected.find("1000, 2000"), 10, "17384.000000, -6192.000000");
  EXPECT_EQ(handle(rewriteScriptRecord, script("Long", text)).subrecords[2].data, expected);
  handle(rewriteScriptRecord, script("Setter", "player->SetPos x 10\r\n"));
  EXPECT_EQ(run().scripts.investigate, std::vector<std::string>{"Setter"});
}

TEST_F(ScriptRecords, RecordsWithoutUsableTextComeOutAsTheyWentIn) {
  for (const std::string& in : {
           record("SCPT", sub("SCHD", std::string(52, 'n')) + sub("SCDT", "code")),
           record("SCPT", sub("SCHD", "n") + "SCTX" + i32(100) + "position 0, 0\n"),
           record("SCPT", "SCHD" + i32(-8) + sub("SCTX", "position 0, 0\n")),
       }) {
    std::vector<uint8_t> bytes;
    uint32_t size = 0;
    const OutputDecision decided = call(rewriteScriptRecord, in, bytes, size, 0);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), in);
    EXPECT_EQ(size, in.size());
    EXPECT_FALSE(decided.writeModified);
  }
  EXPECT_FALSE(exists("qnscpt0.txt"));
  // A name longer than 127 characters is cut. Under -v the log names the
  // script once, warns of unknown subrecords and names no changed line.
  run().options.verbose = true;
  handle(rewriteScriptRecord, record("SCPT", sub("SCHD", std::string(200, 'n')) + sub("XXXX", "") +
                                                 sub("SCTX", "position 0, 0\n")));
  EXPECT_EQ(run().scripts.recompile, std::vector<std::string>{std::string(127, 'n')});
  const std::string log = readLog();
  EXPECT_NE(log.find(std::string(127, 'n') + "\"[Warning: <Unknown SCDT field: XXXX>]!\n"),
            std::string::npos);
  EXPECT_EQ(log.find(" - for script called"), std::string::npos);
}

TEST_F(ScriptRecords, DialogueTextKeepsTheSubrecordsBehindIt) {
  const std::string in =
      record("INFO", sub("INAM", zstr("1234")) + sub("ONAM", zstr("Guard")) +
                         sub("BNAM", "AITravel 0, 0, 0\r\nGoodbye\r\n") + sub("QSTN", "\x01"));
  Record out = handle(rewriteDialogueRecord, in);
  ASSERT_EQ(out.subrecords.size(), 4u);
  EXPECT_EQ(out.subrecords[2].data, "AITravel 16384.000000, -8192.000000, 0\r\nGoodbye\r\n");
  EXPECT_EQ(out.subrecords[3].name, "QSTN");
  EXPECT_EQ(out.subrecords[3].data, "\x01");
  EXPECT_EQ(run().counters.dialogModified, 1);
  EXPECT_TRUE(run().scripts.recompile.empty() && run().scripts.investigate.empty());
  EXPECT_NE(readLog().find(" - changed Dialog command text for \"Guard\"\n"),
            std::string::npos);
}

TEST_F(ScriptRecords, TextGrowsPastTheSpareRoomAndKeepsEveryOtherByte) {
  std::string text = std::string("position 0, 0 \0odd\n", 19) + "lone\rcr \x1a\xe9\n";
  std::string expected = text;
  for (int i = 0; i < 120; ++i) {
    text += "Position 0, 0, 0\r\n";
    expected += "Position 16384.000000, -8192.000000, 0\r\n";
  }
  text += "End";  // no final line break
  expected += "End";
  Record out = handle(rewriteScriptRecord, script("Big", text));
  ASSERT_EQ(out.subrecords.size(), 3u);
  EXPECT_EQ(out.subrecords[2].data, expected);
  EXPECT_EQ(run().counters.scriptCommandsModified, 120);
}

}  // namespace
