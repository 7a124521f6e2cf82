#pragma once

// The retrieval grid's columns in the model's order (the staging table's).

namespace staging_grid {

enum TSpalte : int {
    cLfdNr,
    cBarcode,
    cPruefling,
    cDatum,
    cSerNr,
    cSchutzkl,
    cAutomatisch,
    cDin,
    cManuGrenz,
    cIsol,
    cBeruehr,
    cSicht,
    cAbgebrochen,
    cErgebnis,
    cSchutzleiter,
    cIsolation,
    cAbleit,
    cSlL1N,
    cSlNL1,
    cBeL1N,
    cBeNL1,
    cPruefer,
    cBewertender,
    cAnzahl
};

} // namespace staging_grid
