echo "hello from nim"
