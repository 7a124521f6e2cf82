# The front panel against the tester simulator.
gt_test(test_e2e_frontpanel LABELS e2e SOURCES test_frontpanel_e2e.cpp E2eSupport.h LIBS gt_app TIMEOUT 120)
add_dependencies(test_e2e_frontpanel tester-sim)
