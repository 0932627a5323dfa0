// Everything of the substitute host's C++ API.
#pragma once

#include "tavro_host/command_line.h"
#include "tavro_host/database.h"
#include "tavro_host/errors.h"
#include "tavro_host/host.h"
#include "tavro_host/object.h"
#include "tavro_host/registry.h"
#include "tavro_host/string.h"
#include "tavro_host/value.h"
