#include "orda_version.h"
