find_package(Qt6 REQUIRED COMPONENTS Test)
# The retrieval, device selection and entry dialogs, with the simulator as the tester.
gt_test(test_app_retrieval LABELS e2e TIMEOUT 120
        SOURCES RetrievalDialogsFixture.h test_retrieval_dialogs.cpp test_entry_dialogs.cpp test_retrieval_program.cpp ../e2e/E2eSupport.h ../e2e/test_chain_support.h ../store/StoreTestDb.h ../store/StoreTestDb.cpp
        LIBS gt_app Qt6::Test)
add_dependencies(test_app_retrieval tester-sim gt-initdb geraetetester)
# The transfer into the tests table, with two programs at once on both engines.
gt_test(test_app_transfer LABELS e2e TIMEOUT 300
        SOURCES test_transfer.cpp ../store/StoreTestDb.h ../store/StoreTestDb.cpp
        LIBS gt_app)
add_dependencies(test_app_transfer gt-initdb geraetetester)
