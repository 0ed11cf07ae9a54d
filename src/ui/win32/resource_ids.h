// Resource identifiers shared by res/zant.rc and the Win32 surface. Plain #defines: the resource
// compiler reads this file too.
#pragma once

#define ZANT_IDI_MAIN 1
#define ZANT_IDB_BANNER 2
// Not 2 or 3: those numbers name manifests that the loader itself reads for libraries.
#define ZANT_IDR_CONTROLS_MANIFEST 101
