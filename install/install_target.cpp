#include "install/install_target.h"

InstallTargetRecord InstallTarget = {};
