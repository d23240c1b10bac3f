# Sourced by the side-by-side benchmarks: starts nginx with one worker and no
# access log on 127.0.0.1, serving a folder, configured like the shared
# yardstick's (sendfile, tcp_nopush). Sets npid.
# start_nginx <work folder> <port> <root> [extra server directives]
start_nginx() {
  local work=$1 port=$2 root=$3 extra=${4:-}
  mkdir -p "$work/nginx"
  cat > "$work/nginx/nginx.conf" <<CONF
worker_processes 1;
daemon off;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 1024; }
http {
  access_log off;
  sendfile on;
  tcp_nopush on;
  client_body_temp_path $work/nginx;
  proxy_temp_path $work/nginx;
  fastcgi_temp_path $work/nginx;
  uwsgi_temp_path $work/nginx;
  scgi_temp_path $work/nginx;
  server { listen 127.0.0.1:$port; root $root; $extra }
}
CONF
  nginx -c "$work/nginx/nginx.conf" &
  npid=$!
}
