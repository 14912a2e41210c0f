#include "settings/run_time_reset.h"

#include "host/dispatcher_state.h"
#include "host/key_hold_state.h"
#include "host/recording_state.h"
#include "settings/dialog_state.h"
#include "settings/script_state.h"
#include "settings/toolbox_state.h"
#include "supervision/info_pane_state.h"
#include "supervision/programme_state.h"
#include "supervision/status_notices_state.h"
#include "supervision/supervision_state.h"

void ResetRunTimeState() {
  ResetDispatcherState();
  ResetRecordingState();
  ResetKeyHoldState();
  ResetSupervisionState();
  ResetProgrammeState();
  ResetInfoPaneState();
  ResetToolboxState();
  ResetDialogState();
  ResetScriptState();
  ResetStatusNoticeState();
}
