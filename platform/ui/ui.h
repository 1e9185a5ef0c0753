#pragma once

// Everything of the control model in one include.

#include "platform/ui/component.h"
#include "platform/ui/control.h"
#include "platform/ui/controls.h"
#include "platform/ui/db_controls.h"
#include "platform/ui/db_grid.h"
#include "platform/ui/edit_mask.h"
#include "platform/ui/form.h"
#include "platform/ui/keys.h"
#include "platform/ui/menu.h"
#include "platform/ui/page_control.h"
