# Barcode sheet choice, current-values printing and the report commands.
gt_test(test_reports_app LABELS unit TIMEOUT 180
        SOURCES test_reports_app.cpp AppTestSupport.h ../protocols/PdfTools.cpp ../store/StoreTestDb.cpp
        LIBS gt_app)
add_dependencies(test_reports_app gt-initdb geraetetester)
