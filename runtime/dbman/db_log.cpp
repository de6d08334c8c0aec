// The shared log that records nothing, and the choice of a database's log.
#include "db_log.h"

#include "runtime_state.h"
#include "transaction_state.h"

namespace dv_qem {

namespace {

class _Dummy_log final : public _DB_log {
 public:
  void begin_write(dv4u) override {}
  void end_write() override {}
  void log_page(_Page*, bool) override {}
  void close(bool) override {}
};

}  // namespace

_DB_log_maker& _DB_log_subsystem() {
  static _DB_log_maker maker;
  return maker;
}

_DB_log* _DB_dummy_log() {
  // Never destroyed: databases closed at unload still close their log.
  static _Dummy_log* const shared = new _Dummy_log;
  return shared;
}

_DB_log* _DB_make_log(DVDB* db, bool in_stream) {
  bool wanted = _Transaction_state::is_initialized() ||
                (!in_stream && !_DV_int::is_logging_disabled());
  _DB_log_maker& maker = _DB_log_subsystem();
  if (wanted && maker.make != nullptr) return maker.make(db, in_stream);
  return _DB_dummy_log();
}

}  // namespace dv_qem
