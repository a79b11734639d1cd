// package sources
