// The one application object of the real program; the framework's entry point runs it.
#include "app/veskreg_app.h"

CVeskregApp theApp;
