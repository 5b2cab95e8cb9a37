// A small option table over a test context, shaped like the engine's rows:
// per-file values, per-stream lists, engine variables and handlers.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "options/option_apply.h"
#include "options/loglevel_option.h"
#include "options/option_apply.h"
#include "options/option_def.h"

namespace zentrova::test {

struct TestFileContext {
  std::string f;
  std::int64_t ss = INT64_MIN;
  std::int64_t fs = INT64_MAX;
  std::int32_t re = 0;
  float muxdelay = 0.7f;
  TSpecifierList<std::string> codec;
  TSpecifierList<std::string> s;
  TSpecifierList<std::int32_t> ar;
  TSpecifierList<double> q;
  TSpecifierList<std::int32_t> autorotate;
  TSpecifierList<std::int64_t> frames;
  std::vector<std::string> map;
};

class TestEngine {
 public:
  TestEngine() {
    using C = TestFileContext;
    rows_ = {
        {"f", 0xc4009, Field(&C::f), "force format", "fmt"},
        {"c", 0xc8009, Field(&C::codec), "codec name", "codec"},
        {"ss", 0xd4001, Field(&C::ss), "start time offset", "time_off"},
        {"s", 0xc8219, Field(&C::s), "frame size", "size"},
        {"fs", 0x84401, Field(&C::fs), "size limit", "limit_size"},
        {"re", 0x44006, Field(&C::re), "read at native rate", ""},
        {"muxdelay", 0x84105, Field(&C::muxdelay), "maximum demux-decode delay", "seconds"},
        {"ar", 0xc80a1, Field(&C::ar), "audio sampling rate", "rate"},
        {"q", 0xa8005, Field(&C::q), "quality scale", "q"},
        {"autorotate", 0x48007, Field(&C::autorotate), "rotate video", ""},
        {"frames", 0x88401, Field(&C::frames), "frames to output", "number"},
        {"y", 0x2, Variable(overwrite), "overwrite output files", ""},
        {"dts_delta_threshold", 0x105, Variable(dts_delta_threshold), "timestamp discontinuity", "threshold"},
        {"map", 0x82005, Handler(this, &TestEngine::opt_map), "set input stream mapping", "map"},
        {"vcodec", 0xc2011, Handler(this, &TestEngine::opt_vcodec), "force video codec", "codec"},
        {"refuse", 0x1, Handler(this, &TestEngine::opt_refuse), "always fails", "x"},
        {"throw", 0x82001, Handler(this, &TestEngine::opt_throw), "throws", "x"},
        {"loglevel", 0x1, Handler(this, &TestEngine::opt_loglevel), "set logging level", "loglevel"},
        {"v", 0x1, Handler(this, &TestEngine::opt_loglevel), "set logging level", "loglevel"},
    };
  }

  TOptionTable Table() const { return rows_; }

  std::int32_t overwrite = 0;
  float dts_delta_threshold = 10.0f;
  std::vector<std::string> global_calls;  // options applied without a file context

 private:
  int opt_map(TestFileContext* o, const std::string&, const std::string& arg) {
    if (!o) throw std::logic_error("map without a file context");
    o->map.push_back(arg);
    return 0;
  }
  int opt_vcodec(TestFileContext* o, const std::string&, const std::string& arg) {
    return apply_option(o, "c:v", arg, Table()) < 0 ? -22 : 0;
  }
  int opt_refuse(TestFileContext* o, const std::string& opt, const std::string&) {
    if (!o) global_calls.push_back(opt);
    last_error_text() = "refused on purpose";
    return -22;
  }
  int opt_throw(TestFileContext*, const std::string&, const std::string& arg) {
    throw std::runtime_error("handler threw on " + arg);
  }
  int opt_loglevel(TestFileContext*, const std::string& opt, const std::string& arg) {
    return set_loglevel(opt, arg);
  }

  std::vector<TOptionDef> rows_;
};

}  // namespace zentrova::test
